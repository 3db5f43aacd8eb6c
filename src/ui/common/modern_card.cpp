#include "modern_card.h"

#include <QVBoxLayout>

ModernCard::ModernCard(Qt::Alignment alignment, int spacing, QWidget* parent)
    : CardFrame(parent)
    , m_column(new QVBoxLayout(this))
    , m_alignment(alignment)
{
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(spacing);
}

void ModernCard::addRow(QWidget* row) { m_column->addWidget(row, 0, m_alignment); }

void ModernCard::addWideRow(QWidget* row) { m_column->addWidget(row); }

void ModernCard::addWideRow(QLayout* row) { m_column->addLayout(row); }

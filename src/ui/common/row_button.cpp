#include "row_button.h"

#include <QHBoxLayout>

RowButton::RowButton(Style style, QWidget* parent)
    : Button(QString(), style, parent)
    , m_row(new QHBoxLayout(this))
{
    m_row->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void RowButton::addPart(QWidget* part, int stretch, Qt::Alignment alignment)
{
    part->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_row->addWidget(part, stretch, alignment);
}

void RowButton::addControl(QWidget* control) { m_row->addWidget(control, 0, Qt::AlignVCenter); }

void RowButton::addStretch() { m_row->addStretch(); }

QSize RowButton::sizeHint() const { return m_row->sizeHint().expandedTo(QSize(0, Button::sizeHint().height())); }

QSize RowButton::minimumSizeHint() const { return m_row->minimumSize(); }

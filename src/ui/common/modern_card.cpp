#include "modern_card.h"

#include <QEvent>
#include <QVBoxLayout>

ModernCard::ModernCard(Qt::Alignment alignment, int spacing, QWidget* parent)
    : CardFrame(parent)
    , m_column(new QVBoxLayout(this))
    , m_alignment(alignment)
{
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(spacing);
}

void ModernCard::addRow(QWidget* row)
{
    m_column->addWidget(row, 0, m_alignment);
}

void ModernCard::addWideRow(QWidget* row)
{
    m_column->addWidget(row);
}

void ModernCard::addWideRow(QLayout* row)
{
    m_column->addLayout(row);
}

bool ModernCard::event(QEvent* event)
{
    const bool handled = CardFrame::event(event);
    // QFrame recomputes its contents margins from its frame when it is polished, moved to another
    // parent or restyled, and a card not laid out yet has no room for them: the padding would be
    // lost. The card's padding does not depend on any of that.
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::ParentChange:
    case QEvent::StyleChange: {
        constexpr int margin = shadowMargin + padding;
        setContentsMargins(margin, margin, margin, margin);
        break;
    }
    default:
        break;
    }
    return handled;
}

#include "scroll_column.h"

#include <QEvent>
#include <QLayoutItem>
#include <QVBoxLayout>

#include <algorithm>

void makeSeeThrough(QScrollArea* area)
{
    area->setFrameShape(QFrame::NoFrame);
    area->viewport()->setAutoFillBackground(false);
}

void setSeeThroughWidget(QScrollArea* area, QWidget* content)
{
    area->setWidget(content);
    content->setAutoFillBackground(false);
}

ScrollColumn::ScrollColumn(int spacing, QMargins margins, QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(this);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(margins);
    m_margins = margins;
    m_column->setSpacing(spacing);
    makeSeeThrough(this);
    setSeeThroughWidget(this, content);
}

void ScrollColumn::clear()
{
    while (auto* item = m_column->takeAt(0)) {
        if (auto* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

void ScrollColumn::setScrollBarInMargin()
{
    m_scrollBarInMargin = true;
    viewport()->installEventFilter(this);
    fitRightMargin();
}

bool ScrollColumn::eventFilter(QObject* watched, QEvent* event)
{
    // The viewport narrows and widens as the scroll bar comes and goes.
    if (m_scrollBarInMargin && watched == viewport() && event->type() == QEvent::Resize)
        fitRightMargin();
    return QScrollArea::eventFilter(watched, event);
}

void ScrollColumn::fitRightMargin()
{
    const int barRoom = std::max(0, contentsRect().width() - viewport()->width());
    auto margins = m_margins;
    margins.setRight(std::max(0, m_margins.right() - barRoom));
    if (m_column->contentsMargins() != margins)
        m_column->setContentsMargins(margins);
}

#include "scroll_column.h"

#include <QLayoutItem>
#include <QVBoxLayout>

ScrollColumn::ScrollColumn(int spacing, QMargins margins, QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(this);
    content->setAutoFillBackground(false);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(margins);
    m_column->setSpacing(spacing);
    setWidget(content);
    viewport()->setAutoFillBackground(false);
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

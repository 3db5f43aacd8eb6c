#include "scroll_column.h"

#include <QLayoutItem>
#include <QVBoxLayout>

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

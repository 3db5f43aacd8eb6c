#include "status_grid.h"

#include <QGridLayout>
#include <QResizeEvent>

#include <algorithm>

StatusGrid::StatusGrid(int minimumColumnWidth, int spacing, QWidget* parent)
    : QWidget(parent)
    , m_minimumColumnWidth(minimumColumnWidth)
    , m_spacing(spacing)
    , m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setSpacing(spacing);
}

int StatusGrid::columnsFor(int width, int minimumColumnWidth, int spacing)
{
    return std::max(1, (width + spacing) / (minimumColumnWidth + spacing));
}

void StatusGrid::addTile(QWidget* tile)
{
    m_tiles.append(tile);
    m_columns = 0;
    reflow();
}

void StatusGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    reflow();
}

void StatusGrid::reflow()
{
    const int columns = columnsFor(width(), m_minimumColumnWidth, m_spacing);
    if (columns == m_columns)
        return;
    m_columns = columns;
    for (auto* tile : m_tiles)
        m_grid->removeWidget(tile);
    for (int i = 0; i < m_grid->columnCount(); ++i)
        m_grid->setColumnStretch(i, 0);
    for (int i = 0; i < m_tiles.size(); ++i)
        m_grid->addWidget(m_tiles[i], i / columns, i % columns);
    for (int i = 0; i < columns; ++i)
        m_grid->setColumnStretch(i, 1);
}

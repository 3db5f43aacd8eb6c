#include "fair_share_row.h"

#include <QSpacerItem>
#include <QWidget>

#include <algorithm>
#include <numeric>

namespace {

int sum(const QList<int>& widths) { return std::accumulate(widths.cbegin(), widths.cend(), 0); }

// Each item's width at the water level `level`: the level, but no less than its minimum and no
// more than it wants.
QList<int> atLevel(const QList<FairShareRow::Ask>& asks, int level)
{
    QList<int> widths;
    widths.reserve(asks.size());
    for (const auto& ask : asks)
        widths.append(std::clamp(level, ask.minimum, std::max(ask.minimum, ask.wanted)));
    return widths;
}

} // namespace

FairShareRow::FairShareRow(QWidget* parent)
    : QLayout(parent)
{
}

FairShareRow::~FairShareRow()
{
    while (auto* item = takeAt(0))
        delete item;
}

QList<int> FairShareRow::shares(const QList<Ask>& asks, int room)
{
    int highest = 0;
    for (const auto& ask : asks)
        highest = std::max({highest, ask.minimum, ask.wanted});
    // The highest level whose widths fit: the room's edge lies between it and the next.
    int low = 0;
    int high = highest;
    while (low < high) {
        const int level = low + (high - low + 1) / 2;
        if (sum(atLevel(asks, level)) <= room)
            low = level;
        else
            high = level - 1;
    }
    QList<int> widths = atLevel(asks, low);
    // The pixels short of the room go one each to items still below what they want.
    int left = room - sum(widths);
    for (qsizetype i = 0; i < asks.size() && left > 0 && low < highest; ++i) {
        if (widths[i] == low && low < asks[i].wanted) {
            ++widths[i];
            --left;
        }
    }
    return widths;
}

void FairShareRow::addStretch() { addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum)); }

void FairShareRow::addLayout(QLayout* layout)
{
    addChildLayout(layout);
    addItem(layout);
}

void FairShareRow::addItem(QLayoutItem* item)
{
    m_items.append(item);
    invalidate();
}

int FairShareRow::count() const { return int(m_items.size()); }

QLayoutItem* FairShareRow::itemAt(int index) const { return m_items.value(index); }

QLayoutItem* FairShareRow::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    auto* item = m_items.takeAt(index);
    if (auto* layout = item->layout())
        layout->setParent(nullptr);
    invalidate();
    return item;
}

bool FairShareRow::isStretch(const QLayoutItem* item)
{
    return const_cast<QLayoutItem*>(item)->spacerItem() != nullptr;
}

int FairShareRow::gapsWidth() const
{
    const auto shown
        = std::count_if(m_items.cbegin(), m_items.cend(), [](const QLayoutItem* item) { return !item->isEmpty(); });
    return std::max(0, spacing()) * std::max<int>(0, int(shown) - 1);
}

QSize FairShareRow::sideBySide(QSize (QLayoutItem::*size)() const) const
{
    QSize total(gapsWidth(), 0);
    for (const auto* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize one = (item->*size)();
        total = QSize(total.width() + one.width(), std::max(total.height(), one.height()));
    }
    return total.grownBy(contentsMargins());
}

QSize FairShareRow::sizeHint() const { return sideBySide(&QLayoutItem::sizeHint); }

QSize FairShareRow::minimumSize() const { return sideBySide(&QLayoutItem::minimumSize); }

Qt::Orientations FairShareRow::expandingDirections() const { return Qt::Horizontal; }

void FairShareRow::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const QRect room = rect.marginsRemoved(contentsMargins());
    QList<Ask> asks;
    int stretches = 0;
    for (const auto* item : m_items) {
        if (isStretch(item))
            ++stretches;
        else if (!item->isEmpty())
            asks.append({item->minimumSize().width(), item->sizeHint().width()});
    }
    const int itemsRoom = room.width() - gapsWidth();
    const QList<int> widths = shares(asks, itemsRoom);
    const int spare = std::max(0, itemsRoom - sum(widths));
    const int gap = std::max(0, spacing());
    int x = room.left();
    int nextItem = 0;
    int stretchesPlaced = 0;
    for (auto* item : m_items) {
        if (isStretch(item)) {
            // The spare room in equal parts, the first stretches taking a pixel more.
            const int part = spare / stretches + (stretchesPlaced < spare % stretches ? 1 : 0);
            ++stretchesPlaced;
            item->setGeometry(QRect(x, room.top(), part, room.height()));
            x += part;
            continue;
        }
        if (item->isEmpty())
            continue;
        if (nextItem > 0)
            x += gap;
        const int width = widths[nextItem++];
        item->setGeometry(QRect(x, room.top(), width, room.height()));
        x += width;
    }
}

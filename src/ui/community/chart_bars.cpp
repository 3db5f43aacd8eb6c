#include "chart_bars.h"

#include "ui/common/theme.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr double smallestDivisor = 0.001;
constexpr qreal cornerRadius = 2;

} // namespace

qreal ChartBars::ratio(double used, double maxDay) { return std::min(1.0, used / std::max(maxDay, smallestDivisor)); }

QList<ChartBars::Bar> ChartBars::layout(const QList<TrafficLogEntry>& entries, double maxDay, const QRectF& area)
{
    QList<Bar> bars;
    if (entries.isEmpty())
        return bars;
    const auto count = entries.size();
    const qreal width = std::max<qreal>(0, (area.width() - gap * (count - 1)) / count);
    for (qsizetype i = 0; i < count; ++i) {
        const qreal share = ratio(entries[i].used, maxDay);
        const qreal height = std::max(share * fullHeight, stubHeight);
        const qreal left = area.left() + i * (width + gap);
        bars.append({QRectF(left, area.bottom() - height, width, height), share * 0.75 + 0.25});
    }
    return bars;
}

ChartBars::ChartBars(const QList<TrafficLogEntry>& entries, double maxDay, QWidget* parent)
    : QWidget(parent)
    , m_entries(entries)
    , m_maxDay(maxDay)
{
    setObjectName(QStringLiteral("chartBars"));
    setFixedHeight(120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void ChartBars::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor blue = Theme::of(this).palette().blue;
    for (const auto& bar : layout(m_entries, m_maxDay, QRectF(rect()))) {
        QColor fill = blue;
        fill.setAlphaF(std::clamp<qreal>(bar.opacity, 0, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(bar.rect, cornerRadius, cornerRadius);
    }
}

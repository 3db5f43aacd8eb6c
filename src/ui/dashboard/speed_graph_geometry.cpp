#include "speed_graph_geometry.h"

#include <algorithm>

namespace {

qint64 largestOrOne(const QList<qint64>& data)
{
    return data.isEmpty() ? 1 : *std::max_element(data.cbegin(), data.cend());
}

// The line and area of one series; both stay empty below two samples.
void series(const QList<qint64>& data, qint64 scale, const QSizeF& size, QPolygonF& line, QPolygonF& area)
{
    if (data.size() < 2)
        return;
    constexpr qreal inset = SpeedGraphGeometry::inset;
    line = SpeedGraphGeometry::samplePoints(data, scale, size);
    const qreal bottom = size.height() - inset;
    area.reserve(line.size() + 2);
    area << QPointF(inset, bottom);
    area += line;
    area << QPointF(size.width() - inset, bottom);
}

} // namespace

qint64 SpeedGraphGeometry::scaleFor(const QList<qint64>& downData, const QList<qint64>& upData)
{
    return std::max({largestOrOne(downData), largestOrOne(upData), qint64(1024)});
}

QPolygonF SpeedGraphGeometry::samplePoints(const QList<qint64>& data, qint64 scale, const QSizeF& size)
{
    const qreal innerWidth = size.width() - 2 * inset;
    const qreal innerHeight = size.height() - 2 * inset;
    const qreal m = qreal(std::max<qint64>(scale, 1));
    const qsizetype n = data.size();
    QPolygonF points;
    points.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        // A single sample has no width to spread over: it sits on the leading edge.
        const qreal x = inset + (n > 1 ? innerWidth * qreal(i) / qreal(n - 1) : 0);
        const qreal y = inset + innerHeight * (1 - qreal(data[i]) / m);
        points << QPointF(x, y);
    }
    return points;
}

SpeedGraphGeometry SpeedGraphGeometry::compute(const QList<qint64>& downData, const QList<qint64>& upData,
                                               const QSizeF& size)
{
    SpeedGraphGeometry g;
    g.scale = scaleFor(downData, upData);
    const qreal innerHeight = size.height() - 2 * inset;
    for (int k = 0; k <= 4; ++k)
        g.gridLines << inset + innerHeight * (1 - 0.25 * k);
    series(downData, g.scale, size, g.downLine, g.downArea);
    series(upData, g.scale, size, g.upLine, g.upArea);
    return g;
}

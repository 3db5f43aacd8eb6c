#pragma once

#include <QList>
#include <QPolygonF>
#include <QSizeF>

// Where the traffic graph draws its grid and its two series in a canvas of a given size. Pure,
// so the drawing can be checked without pixels.
struct SpeedGraphGeometry {
    // Free space kept on every side of the canvas.
    static constexpr qreal inset = 4;

    // The common vertical scale: the largest sample of both series, never below 1024.
    qint64 scale = 1024;
    // The y of the five horizontal grid lines, bottom inset line first, top inset line last;
    // each runs from x = inset to x = width - inset.
    QList<qreal> gridLines;
    // A series' line through its samples, left to right; empty below two samples.
    QPolygonF downLine;
    QPolygonF upLine;
    // The area under a series: from the bottom-left inset corner through the samples to the
    // bottom-right one; empty below two samples.
    QPolygonF downArea;
    QPolygonF upArea;

    static qint64 scaleFor(const QList<qint64>& downData, const QList<qint64>& upData);
    // The point of every sample, each series spread over the full inner width on its own.
    static QPolygonF samplePoints(const QList<qint64>& data, qint64 scale, const QSizeF& size);
    static SpeedGraphGeometry compute(const QList<qint64>& downData, const QList<qint64>& upData, const QSizeF& size);
};

#pragma once

#include "api/records/community_records.h"

#include <QList>
#include <QRectF>
#include <QWidget>

// The traffic log's bar chart: one bar per day in list order, left to right, sharing the width
// with 2 px between bars, bottom-aligned, no labels or axes. A bar's height is its share of the
// highest day times 100 (at least a 2 px stub), and the fuller the bar the stronger its blue.
class ChartBars : public QWidget {
    Q_OBJECT
public:
    struct Bar {
        QRectF rect;
        qreal opacity = 0;
    };

    static constexpr qreal fullHeight = 100;
    static constexpr qreal stubHeight = 2;
    static constexpr qreal gap = 2;

    // `used` over `maxDay` (at least 0.001), at most 1.
    static qreal ratio(double used, double maxDay);
    // The bars laid out in `area`.
    static QList<Bar> layout(const QList<TrafficLogEntry>& entries, double maxDay, const QRectF& area);

    ChartBars(const QList<TrafficLogEntry>& entries, double maxDay, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<TrafficLogEntry> m_entries;
    double m_maxDay;
};

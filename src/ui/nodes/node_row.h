#pragma once

#include "api/records/node.h"
#include "ui/common/theme.h"

#include <QRect>
#include <QString>

#include <optional>

class QPainter;
class QWidget;

// One line of the node list, painted (the list holds a thousand of them, so a line is not a
// widget): flag, name over host and port, favourite star, protocol badge, latency and the
// connection mark. The list decides every value and passes it in; the widget a line is measured
// and painted for (the list) gives the theme.
struct NodeRow {
    Node node;
    // The latest test's milliseconds; none when the node was not measured or its probe failed.
    std::optional<qint64> pingMs;
    // The latest test's probe of this node failed or timed out: its latency reads as unknown,
    // never as the server's figure and never as a measurement.
    bool probeFailed = false;
    bool isConnected = false;
    bool isConnecting = false;
    bool showFavorite = true;
    bool isFavorite = false;

    // What the latency column shows.
    struct Latency {
        enum class Kind { value, spinner, unknown };
        Kind kind = Kind::unknown;
        qint64 milliseconds = 0;
        // "45ms", "--ms"; empty for the spinner.
        QString text;
    };
    Latency latency() const;

    // Green to 79 ms (zero and below too), yellow to 199, orange to 499, red from 500.
    static TextColor latencyColor(qint64 milliseconds);

    static int height(const QWidget* widget);
    // The protocol badge: the method in capitals, blue on a faint blue rounded rectangle.
    static QSize badgeSize(const QString& method, const QWidget* widget);
    static void paintBadge(QPainter& painter, const QRect& badge, const QString& method, const QWidget* widget);
    // Where the star is drawn inside a line's rectangle; empty without a star.
    QRect starRect(const QRect& line, const QWidget* widget) const;
    // The star's tooltip.
    QString starToolTip() const;

    // Where the parts sit inside a line's rectangle; the name block takes what is left of textRight.
    struct Geometry {
        QRect mark;
        QRect latency;
        QRect badge;
        QRect star;
        int textRight = 0;
    };
    Geometry geometry(const QRect& line, const QWidget* widget) const;

    // Draws the line into `line`; `spinnerStep` turns the progress indicators.
    void paint(QPainter& painter, const QRect& line, int spinnerStep, const QWidget* widget) const;
};

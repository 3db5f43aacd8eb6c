#pragma once

#include <QColor>
#include <QObject>
#include <QPainter>
#include <QTimer>
#include <QWidget>

// The turning of a spinner drawn inside `host`: the step advances and the host repaints, only
// while the animation is wanted and the host is on screen.
class SpinnerAnimation : public QObject {
    Q_OBJECT
public:
    explicit SpinnerAnimation(QWidget* host);

    void setRunning(bool running);
    // The leading spoke, for `Spinner::paint`.
    int step() const { return m_step; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync();

    QWidget* m_host;
    QTimer m_timer;
    bool m_running = false;
    int m_step = 0;
};

// The spinning progress indicator: twelve fading spokes, turning while the widget is shown.
class Spinner : public QWidget {
    Q_OBJECT
public:
    // `diameter` in pixels; the widget is exactly that size.
    explicit Spinner(int diameter = 20, QWidget* parent = nullptr);

    // Draws a spinner frame into any painter: for controls that show one inside themselves.
    static void paint(QPainter& painter, const QRectF& rect, const QColor& color, int step);

    // The colour of the spokes; the theme's secondary text colour when not set.
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SpinnerAnimation m_animation;
    QColor m_color;
};

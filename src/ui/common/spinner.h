#pragma once

#include <QColor>
#include <QPainter>
#include <QTimer>
#include <QWidget>

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
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    QColor m_color;
    int m_step = 0;
};

#include "status_dot.h"

#include <QPainter>

StatusDot::StatusDot(int diameter, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(diameter, diameter);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void StatusDot::setColor(TextColor color)
{
    m_color = color;
    update();
}

void StatusDot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::of(this).palette().color(m_color));
    painter.drawEllipse(QRectF(rect()));
}

#include "divider.h"

#include "theme.h"

#include <QPainter>

Divider::Divider(QWidget* parent)
    : QWidget(parent)
    , m_orientation(Qt::Horizontal)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

Divider::Divider(int height, QWidget* parent)
    : QWidget(parent)
    , m_orientation(Qt::Vertical)
{
    setFixedSize(1, height);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void Divider::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    update();
}

void Divider::paintEvent(QPaintEvent*)
{
    QColor color = Theme::of(this).palette().separator;
    color.setAlphaF(color.alphaF() * m_opacity);
    QPainter painter(this);
    painter.fillRect(m_orientation == Qt::Horizontal ? QRect(0, 0, width(), 1) : QRect(0, 0, 1, height()), color);
}

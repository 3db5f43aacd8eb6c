#include "linear_progress.h"

#include "theme.h"

#include <QPainter>

#include <algorithm>

LinearProgress::LinearProgress(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(6);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void LinearProgress::setValue(double value)
{
    m_value = std::clamp(value, 0.0, 1.0);
    update();
}

void LinearProgress::setTint(TextColor tint)
{
    m_tint = tint;
    update();
}

void LinearProgress::paintEvent(QPaintEvent*)
{
    const auto& p = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    const qreal r = track.height() / 2.0;
    QColor trackColor = p.gray;
    trackColor.setAlphaF(0.22);
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, r, r);
    if (m_value > 0) {
        QRectF filled = track;
        filled.setWidth(qMax(track.height(), track.width() * m_value));
        painter.setBrush(p.color(m_tint));
        painter.drawRoundedRect(filled, r, r);
    }
}

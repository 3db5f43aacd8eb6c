#include "status_badge.h"

#include "ui/common/text_label.h"

#include <QPainter>

StatusBadge::StatusBadge(const StatusLook& look, QWidget* parent)
    : TextLabel(look.text, parent)
    , m_color(look.color)
{
    setFont(Theme::of(this).font(TextStyle::Caption2, QFont::DemiBold));
    setTextColor(this, look.color);
    setContentsMargins(Spacing::s, 3, Spacing::s, 3);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void StatusBadge::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::of(this).palette().color(m_color);
    fill.setAlphaF(0.15);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const qreal radius = height() / 2.0;
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
    painter.end();
    QLabel::paintEvent(event);
}

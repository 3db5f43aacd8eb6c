#include "card_frame.h"

#include "theme.h"

#include <QPainter>
#include <QPainterPath>

CardFrame::CardFrame(QWidget* parent)
    : QWidget(parent)
{
    setContentsMargins(shadowMargin + padding, shadowMargin + padding, shadowMargin + padding, shadowMargin + padding);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void CardFrame::paintEvent(QPaintEvent*)
{
    const auto& p = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(shadowMargin, shadowMargin - 1, -shadowMargin, -shadowMargin - 1);
    const qreal r = Spacing::cardRadius;

    // A soft shadow below the panel: a few widening, fading outlines, 2 px down.
    painter.setPen(Qt::NoPen);
    for (int i = shadowMargin; i >= 1; --i) {
        QColor shade = p.cardShadow;
        shade.setAlphaF(p.cardShadow.alphaF() / i);
        painter.setBrush(shade);
        painter.drawRoundedRect(panel.translated(0, 2).adjusted(-i + 1, -i + 1, i - 1, i - 1), r + i - 1, r + i - 1);
    }
    painter.setBrush(p.card);
    painter.drawRoundedRect(panel, r, r);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(p.cardBorder, 0.5));
    painter.drawRoundedRect(panel, r, r);
}

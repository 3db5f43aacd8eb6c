#include "toggle_switch.h"

#include "theme.h"

#include <QPainter>

namespace {
constexpr QSize trackSize(30, 18);
} // namespace

void paintSwitchTrack(QPainter& painter, const QRectF& track, const QColor& fill, bool on)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const qreal knob = track.height() - 4;
    const qreal x = on ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

QSize ToggleSwitch::sizeHint() const { return trackSize; }

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    const auto& colors = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track = QRectF(QPointF(0, 0), QSizeF(trackSize))
                             .translated((width() - trackSize.width()) / 2.0, (height() - trackSize.height()) / 2.0);
    paintSwitchTrack(painter, track, isChecked() ? colors.accent : colors.controlBorder, isChecked());
}

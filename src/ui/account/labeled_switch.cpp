#include "labeled_switch.h"

#include "ui/common/toggle_switch.h"

#include <QPainter>

LabeledSwitch::LabeledSwitch(const QString& label, QWidget* parent)
    : QCheckBox(label, parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize LabeledSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + gap + trackWidth, qMax(metrics.height(), trackHeight) + 4};
}

QSize LabeledSwitch::minimumSizeHint() const { return sizeHint(); }

bool LabeledSwitch::hitButton(const QPoint& position) const { return rect().contains(position); }

void LabeledSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto& colors = palette();
    const QRectF track(width() - trackWidth, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const QRect textArea(0, 0, width() - trackWidth - gap, height());

    painter.setPen(colors.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, text());

    QColor fill = isChecked() ? colors.color(QPalette::Highlight) : colors.color(QPalette::Mid);
    if (!isEnabled())
        fill.setAlphaF(0.4);
    paintSwitchTrack(painter, track, fill, isChecked());
    if (hasFocus()) {
        QColor ring = colors.color(QPalette::Highlight);
        ring.setAlphaF(0.5);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), trackHeight / 2.0 + 1.5, trackHeight / 2.0 + 1.5);
    }
}

#pragma once

#include <QAbstractButton>

// An on/off switch of the small control size: a rounded track with a sliding knob, the accent
// colour when on. Checkable; `toggled` follows every change, `clicked` only the user's.
class QPainter;
class QRectF;

// The switch's rounded track in `fill` with its white knob at the leading (off) or trailing (on)
// end: the one drawing of a switch, for the rows that draw their own.
void paintSwitchTrack(QPainter& painter, const QRectF& track, const QColor& fill, bool on);

class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

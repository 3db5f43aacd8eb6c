#pragma once

#include <QAbstractButton>

// An on/off switch of the small control size: a rounded track with a sliding knob, the accent
// colour when on. Checkable; `toggled` follows every change, `clicked` only the user's.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

#pragma once

#include <QCheckBox>

// A setting's switch: its label on the leading edge and a sliding switch on the trailing edge of
// the full row; the whole row toggles it.
class LabeledSwitch : public QCheckBox {
    Q_OBJECT
public:
    explicit LabeledSwitch(const QString& label, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    static constexpr int trackWidth = 34;
    static constexpr int trackHeight = 20;
    static constexpr int gap = 12;
};

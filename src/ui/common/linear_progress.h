#pragma once

#include "theme.h"

#include <QWidget>

// A thin rounded progress bar: a track and a filled part of `value` (0 to 1) in the tint.
class LinearProgress : public QWidget {
    Q_OBJECT
public:
    explicit LinearProgress(QWidget* parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);
    TextColor tint() const { return m_tint; }
    void setTint(TextColor tint);

    QSize sizeHint() const override { return {120, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value = 0;
    TextColor m_tint = TextColor::Accent;
};

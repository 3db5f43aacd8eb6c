#pragma once

#include "theme.h"

#include <QWidget>

// A filled circle in one colour: the connection state's light.
class StatusDot : public QWidget {
    Q_OBJECT
public:
    explicit StatusDot(int diameter = 10, QWidget* parent = nullptr);

    TextColor color() const { return m_color; }
    void setColor(TextColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextColor m_color = TextColor::Gray;
};

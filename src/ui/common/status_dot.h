#pragma once

#include <QColor>
#include <QWidget>

// A filled circle in one colour: the connection state's light.
class StatusDot : public QWidget {
    Q_OBJECT
public:
    explicit StatusDot(int diameter = 10, QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

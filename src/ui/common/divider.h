#pragma once

#include <QWidget>

// A hairline in the separator colour: across a column (horizontal) or between the items of a row
// (vertical, of a given height).
class Divider : public QWidget {
    Q_OBJECT
public:
    // A horizontal line over the full width.
    explicit Divider(QWidget* parent = nullptr);
    // A vertical line `height` pixels high.
    Divider(int height, QWidget* parent);

    // Fainter than the separator colour, 0 to 1.
    void setOpacity(qreal opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    qreal m_opacity = 1;
};

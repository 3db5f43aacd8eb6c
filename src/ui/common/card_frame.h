#pragma once

#include <QFrame>

// A rounded panel in the card colour with a hairline border and a faint shadow. Lay the content
// out in it as in any widget; the margins already hold the padding.
class CardFrame : public QFrame {
    Q_OBJECT
public:
    explicit CardFrame(QWidget* parent = nullptr);

    // Room kept around the panel for the shadow.
    static constexpr int shadowMargin = 3;
    // Space between the panel's edge and its content.
    static constexpr int padding = 16;

protected:
    void paintEvent(QPaintEvent* event) override;
};

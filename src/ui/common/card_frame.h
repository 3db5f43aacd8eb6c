#pragma once

#include <QWidget>

// A rounded panel in the card colour with a hairline border and a faint shadow. Lay the content
// out in it as in any widget; the margins already hold the padding. A plain widget, not a QFrame:
// a frame recomputes its contents margins from its frame style when it is polished, re-parented or
// restyled, and the padding would be lost.
class CardFrame : public QWidget {
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

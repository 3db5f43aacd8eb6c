#pragma once

#include "button.h"

class QHBoxLayout;

// A button whose face is a row of widgets (a node with its flag and status, a dot and a text):
// the whole row is the tap target, except the widgets added as controls of their own.
class RowButton : public Button {
    Q_OBJECT
public:
    explicit RowButton(Style style = Style::Plain, QWidget* parent = nullptr);

    QHBoxLayout* row() const { return m_row; }
    // A part of the face: clicks on it press the row.
    void addPart(QWidget* part, int stretch = 0, Qt::Alignment alignment = {});
    // A control of its own inside the row (a favourite star): clicks on it do not press the row.
    void addControl(QWidget* control);
    void addStretch();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QHBoxLayout* m_row;
};

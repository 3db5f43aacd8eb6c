#pragma once

#include <QDialog>

// A sheet: a dialog over its parent window, modal to that window only, opened with open() and
// deleted once closed. The presenter keeps a QPointer and learns of the close from `finished`.
class SheetDialog : public QDialog {
    Q_OBJECT
public:
    explicit SheetDialog(QWidget* parent);
};

#pragma once

#include <QLineEdit>

// A one-line text field in the application's look: rounded border, a thicker accent border while
// it has the focus, dimmed text while disabled; following the theme.
QLineEdit* makeTextField(QWidget* parent = nullptr);

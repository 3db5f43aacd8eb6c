#pragma once

#include <QCheckBox>

// A check box in the application's look: its text in the window's text colour, disabled or not,
// a little apart from the box.
QCheckBox* makeCheckBox(const QString& text, QWidget* parent = nullptr);

#pragma once

#include <QMessageBox>

// An alert that shows its text as written, whatever it holds (an error from the service, a
// plan's name, another program's output), up to 1000 characters and 24 lines, then "…", so that
// it never grows past the screen. It deletes itself once closed.
QMessageBox* makePlainAlert(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent);

// Sets the box's text and informative text, both shown as written (the box's own text format
// reaches only its main text).
void setPlainTexts(QMessageBox* box, const QString& text, const QString& informativeText);

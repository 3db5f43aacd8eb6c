#pragma once

#include "theme.h"

class QWidget;

// A style sheet of `widget`'s own, built from the theme's colours now and again whenever the
// theme changes. A sheet set on a widget styles that widget and its children only; the rest of
// the window keeps the plain style, which costs far less memory per widget.
void setThemedStyleSheet(QWidget* widget, QString (*sheet)(const ThemePalette& colors));

// A colour as a style sheet writes it, its opacity included.
QString cssColor(const QColor& color);

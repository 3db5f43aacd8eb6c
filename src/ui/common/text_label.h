#pragma once

#include "theme.h"

#include <QLabel>

// A label in one of the text styles and colour roles, following the theme.
QLabel* makeLabel(const QString& text, TextStyle style = TextStyle::Body, TextColor color = TextColor::Primary,
                  QWidget* parent = nullptr);
void setTextColor(QLabel* label, TextColor color);
// The same with another weight than the style's own.
QLabel* makeLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color = TextColor::Primary,
                  QWidget* parent = nullptr);
// Gives a label made elsewhere the style's font and the colour role, as makeLabel does.
void styleLabel(QLabel* label, TextStyle style, QFont::Weight weight, TextColor color);

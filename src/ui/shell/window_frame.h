#pragma once

#include <QRect>
#include <QString>

// The stored text form of a window frame, "{{x, y}, {width, height}}".
namespace WindowFrame {
QString toString(const QRect& frame);
// Reads the numbers of the text in order; missing ones count as 0, so text without numbers gives
// the empty (zero) rectangle.
QRect fromString(const QString& text);
} // namespace WindowFrame

#pragma once

#include <QFontMetrics>
#include <QString>

// A text from outside (a node's name, a group's title) for a place that has one line: line breaks
// become a space and direction overrides and isolates are dropped, so that the text can neither
// break the line nor reorder what is drawn around it.
QString oneLine(const QString& text);

// The same cut to `width` pixels with an ellipsis at the end.
QString elidedLine(const QFontMetrics& metrics, const QString& text, int width);

// The whole pixels the line takes in `font`: the least width at which elidedLine leaves it whole.
// (QFontMetrics rounds a width to the nearest pixel, which may be less than the text takes.)
int wholeLineWidth(const QFont& font, const QString& text);

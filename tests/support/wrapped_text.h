#pragma once

#include <QLabel>
#include <QRect>

// The room a word-wrapped label's text takes at the label's present width: taller than the label,
// some of it is cut off.
inline QRect wrappedTextRect(const QLabel& label)
{
    return label.fontMetrics().boundingRect(QRect(0, 0, label.width(), 10000), Qt::TextWordWrap, label.text());
}

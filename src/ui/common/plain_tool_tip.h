#pragma once

#include <QString>

// A tool tip that shows `text` as written: a tool tip is read as markup whenever it looks like
// markup, so a text from outside goes in escaped, inside markup of the application's own.
QString plainToolTip(const QString& text);

#pragma once

#include <QString>

// An announcement's HTML cut to what the text document converts and the sheet lays out quickly.
// The document's parser takes time that grows far faster than the nesting depth (20,000 nested
// elements took minutes) and faster than the length for some shapes (paragraphs without end
// tags), and laying the text out costs about as much again for each of its lines: the text is cut
// at `maxLength` characters, where the costliest shapes (a line for every few characters) open
// the sheet in well under the 100 ms a window may wait and an ordinary long announcement (about
// 4,000 characters) is still whole, and start tags nested deeper than `maxNesting` elements are
// left out with their end tags, their text kept in place. Tags are read as the document's parser reads them, so
// that every element it would open counts, whatever its name ("<@>", "< b>"). HTML within both
// bounds comes back unchanged.
namespace BoundedHtml {

inline constexpr qsizetype maxLength = 8192;
inline constexpr int maxNesting = 64;

QString bounded(const QString& html);

} // namespace BoundedHtml

#pragma once

#include <QString>

// The text rules of the community screens. Lengths count user-perceived characters (grapheme
// clusters): an emoji with its modifiers, a letter with its combining marks or a CR LF pair is
// one character and is never cut apart.
namespace CommunityText {

int characterCount(const QString& text);
// The first `count` characters of `text`, all of it when shorter.
QString leadingCharacters(const QString& text, int count);

// The plain text of an announcement's HTML: tags dropped, character entities decoded, line breaks
// and block elements as line breaks, other white space collapsed as HTML does, and white space
// trimmed at both ends. Nothing is loaded (no images, style sheets or links): embedded objects
// are dropped. Only so much is converted, so that the window never waits on it (BoundedHtml).
QString htmlToText(const QString& html);

// The date of an announcement: the first 10 characters of its creation time ("2024-05-01 12:00:00"
// gives "2024-05-01"), the whole text when shorter.
QString announcementDate(const QString& createdAt);

// The preview line of a ticket's latest message: its first non-empty line (the whole text when it
// has none), cut to 80 characters followed by "…". A line ends at a line feed alone: a CR LF pair
// is one character and does not end a line.
QString ticketPreview(const QString& text);

// "2025-03-07 14:05:33" gives "03-07 14:05": a date and a time separated by spaces become month,
// day and the time's first 5 characters. Not two space-separated pieces: the text unchanged; a
// date that is not three "-"-separated pieces: the date piece alone.
QString ticketShortDate(const QString& text);

// "2025-03-07 14:05:33" gives "14:05": the first 5 characters of the time, when the text is two
// space-separated pieces; otherwise the text unchanged.
QString messageTime(const QString& text);

} // namespace CommunityText

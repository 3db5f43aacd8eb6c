#include "community_text.h"

#include "bounded_html.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QVariant>

namespace CommunityText {
namespace {

constexpr int previewLength = 80;
constexpr int dateLength = 10;
constexpr int timeLength = 5;

// An HTML document that never loads anything its markup names: images, style sheets and other
// resources stay unloaded, whether local files or addresses.
class DetachedDocument final : public QTextDocument {
protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

QStringList spaceSeparated(const QString& text) { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

} // namespace

int characterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString leadingCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int taken = 0; taken < count; ++taken) {
        if (finder.toNextBoundary() < 0)
            return text;
    }
    return text.left(finder.position());
}

QString htmlToText(const QString& html)
{
    DetachedDocument document;
    document.setHtml(BoundedHtml::bounded(html));
    auto text = document.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    return text.trimmed();
}

QString announcementDate(const QString& createdAt)
{
    return characterCount(createdAt) >= dateLength ? leadingCharacters(createdAt, dateLength) : createdAt;
}

QString ticketPreview(const QString& text)
{
    // Line feeds that are not the second half of a CR LF pair.
    static const QRegularExpression lineEnd(QStringLiteral("(?<!\\r)\\n"));
    const auto lines = text.split(lineEnd, Qt::SkipEmptyParts);
    const auto line = lines.isEmpty() ? text : lines.first();
    if (characterCount(line) <= previewLength)
        return line;
    return leadingCharacters(line, previewLength) + QChar(0x2026);
}

QString ticketShortDate(const QString& text)
{
    const auto pieces = spaceSeparated(text);
    if (pieces.size() != 2)
        return text;
    const auto date = pieces[0].split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (date.size() != 3)
        return pieces[0];
    return date[1] + QLatin1Char('-') + date[2] + QLatin1Char(' ') + leadingCharacters(pieces[1], timeLength);
}

QString messageTime(const QString& text)
{
    const auto pieces = spaceSeparated(text);
    return pieces.size() == 2 ? leadingCharacters(pieces[1], timeLength) : text;
}

} // namespace CommunityText

#include "one_line_text.h"

#include <QFontMetricsF>

#include <cmath>

namespace {

bool breaksLine(char16_t c)
{
    return c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

// The embeddings, overrides (U+202A to U+202E) and isolates (U+2066 to U+2069) that change the
// order in which the rest of the line is drawn.
bool controlsDirection(char16_t c) { return (c >= u'\u202A' && c <= u'\u202E') || (c >= u'\u2066' && c <= u'\u2069'); }

} // namespace

QString oneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    bool afterBreak = false;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (controlsDirection(unit))
            continue;
        // A run of breaks, as in "\r\n", is one space.
        if (breaksLine(unit)) {
            if (!afterBreak)
                line.append(QLatin1Char(' '));
            afterBreak = true;
            continue;
        }
        afterBreak = false;
        line.append(c);
    }
    return line;
}

QString elidedLine(const QFontMetrics& metrics, const QString& text, int width)
{
    return metrics.elidedText(oneLine(text), Qt::ElideRight, std::max(0, width));
}

int wholeLineWidth(const QFont& font, const QString& text)
{
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(oneLine(text))));
}

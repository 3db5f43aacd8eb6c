#include "bounded_html.h"

#include <QHash>

#include <vector>

namespace BoundedHtml {
namespace {

// Elements that never hold content, and so never nest.
bool isVoid(const QString& name)
{
    static const QStringList names{
        QStringLiteral("area"),  QStringLiteral("base"), QStringLiteral("br"),    QStringLiteral("col"),
        QStringLiteral("embed"), QStringLiteral("hr"),   QStringLiteral("img"),   QStringLiteral("input"),
        QStringLiteral("link"),  QStringLiteral("meta"), QStringLiteral("param"), QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr"),
    };
    return names.contains(name);
}

// Whether a start tag `name` ends an open `open` element first, as a new paragraph, list item or
// table cell ends the one before it.
bool endsOpenElement(const QString& name, const QString& open)
{
    static const QHash<QString, QStringList> ends{
        {QStringLiteral("p"), {QStringLiteral("p")}},
        {QStringLiteral("li"), {QStringLiteral("li")}},
        {QStringLiteral("dt"), {QStringLiteral("dt"), QStringLiteral("dd")}},
        {QStringLiteral("dd"), {QStringLiteral("dt"), QStringLiteral("dd")}},
        {QStringLiteral("option"), {QStringLiteral("option")}},
        {QStringLiteral("tr"), {QStringLiteral("tr"), QStringLiteral("td"), QStringLiteral("th")}},
        {QStringLiteral("td"), {QStringLiteral("td"), QStringLiteral("th")}},
        {QStringLiteral("th"), {QStringLiteral("td"), QStringLiteral("th")}},
    };
    return ends.value(name).contains(open);
}

bool isNameStart(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Where the tag starting at `start` ("<") ends, after its ">"; quoted attribute values may hold
// ">". The end of the text when it never closes.
qsizetype tagEnd(const QString& html, qsizetype start)
{
    QChar quote;
    for (qsizetype i = start + 1; i < html.size(); ++i) {
        const auto c = html[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            return i + 1;
        }
    }
    return html.size();
}

qsizetype commentEnd(const QString& html, qsizetype start)
{
    const auto close = html.indexOf(QLatin1String("-->"), start + 4);
    return close < 0 ? html.size() : close + 3;
}

struct Tag {
    QString name; // lower case
    bool closing = false;
    bool selfClosing = false;
};

Tag tagAt(const QString& html, qsizetype start, qsizetype end)
{
    Tag tag;
    auto i = start + 1;
    if (html[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const auto nameStart = i;
    while (i < end && (html[i].isLetterOrNumber() || html[i] == u'-' || html[i] == u':'))
        ++i;
    tag.name = html.mid(nameStart, i - nameStart).toLower();
    tag.selfClosing = end - start >= 2 && html[end - 1] == u'>' && html[end - 2] == u'/';
    return tag;
}

// The open elements: each kept or left out, and how many of each name are open, so that an end
// tag finds its element without a search down the whole stack.
class OpenElements {
public:
    // Whether the start tag is kept.
    bool open(const QString& name)
    {
        while (!m_elements.empty() && endsOpenElement(name, m_elements.back().name))
            pop();
        const bool kept = m_keptDepth < maxNesting;
        m_elements.push_back({name, kept});
        ++m_openByName[name];
        if (kept)
            ++m_keptDepth;
        return kept;
    }

    // Whether the end tag is kept: an end tag of no open element is (the parser ignores it), one
    // of an element left out is not. Elements opened after its own end with it.
    bool close(const QString& name)
    {
        if (m_openByName.value(name) == 0)
            return true;
        for (;;) {
            const auto element = m_elements.back();
            pop();
            if (element.name == name)
                return element.kept;
        }
    }

private:
    struct Element {
        QString name;
        bool kept;
    };

    void pop()
    {
        const auto& element = m_elements.back();
        --m_openByName[element.name];
        if (element.kept)
            --m_keptDepth;
        m_elements.pop_back();
    }

    std::vector<Element> m_elements;
    QHash<QString, qsizetype> m_openByName;
    int m_keptDepth = 0;
};

} // namespace

QString bounded(const QString& whole)
{
    const auto html = whole.left(maxLength);
    QString result;
    result.reserve(html.size());
    OpenElements elements;
    qsizetype i = 0;
    while (i < html.size()) {
        const auto lt = html.indexOf(u'<', i);
        if (lt < 0 || lt + 1 >= html.size()) {
            result += QStringView(html).mid(i);
            break;
        }
        result += QStringView(html).mid(i, lt - i);
        const auto next = html[lt + 1];
        const bool isTag = isNameStart(next) || (next == u'/' && lt + 2 < html.size() && isNameStart(html[lt + 2]));
        if (!isTag) {
            // A comment, a declaration or a "<" that starts nothing: as written.
            const auto end = html.mid(lt, 4) == QLatin1String("<!--") ? commentEnd(html, lt)
                : (next == u'!' || next == u'?')                      ? tagEnd(html, lt)
                                                                      : lt + 1;
            result += QStringView(html).mid(lt, end - lt);
            i = end;
            continue;
        }
        const auto end = tagEnd(html, lt);
        const auto tag = tagAt(html, lt, end);
        bool kept = true;
        if (tag.closing)
            kept = elements.close(tag.name);
        else if (!tag.selfClosing && !isVoid(tag.name))
            kept = elements.open(tag.name);
        if (kept)
            result += QStringView(html).mid(lt, end - lt);
        i = end;
    }
    return result;
}

} // namespace BoundedHtml

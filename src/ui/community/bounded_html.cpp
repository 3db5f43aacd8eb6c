#include "bounded_html.h"

#include <QHash>

#include <vector>

namespace BoundedHtml {
namespace {

// Elements the document's parser never puts anything into. Every other start tag it reads opens
// an element, whatever its name, "<input>" and "<@>" included.
bool isVoid(const QString& name)
{
    static const QStringList names{
        QStringLiteral("br"),
        QStringLiteral("hr"),
        QStringLiteral("img"),
        QStringLiteral("meta"),
    };
    return names.contains(name);
}

// Whether a start tag `name` ends an open `open` element first, as a new paragraph, list item or
// table cell ends the one before it. Only where the parser ends it too: a definition nests in its
// term there, and an option in an option.
bool endsOpenElement(const QString& name, const QString& open)
{
    static const QHash<QString, QStringList> ends{
        {QStringLiteral("p"), {QStringLiteral("p")}},
        {QStringLiteral("li"), {QStringLiteral("li")}},
        {QStringLiteral("dt"), {QStringLiteral("dt"), QStringLiteral("dd")}},
        {QStringLiteral("dd"), {QStringLiteral("dd")}},
        {QStringLiteral("tr"), {QStringLiteral("tr"), QStringLiteral("td"), QStringLiteral("th")}},
        {QStringLiteral("td"), {QStringLiteral("td"), QStringLiteral("th")}},
        {QStringLiteral("th"), {QStringLiteral("td"), QStringLiteral("th")}},
    };
    return ends.value(name).contains(open);
}

struct Tag {
    enum class Kind { Start, End, Declaration };
    Kind kind = Kind::Start;
    QString name; // lower case, as written (character references are not decoded)
    bool selfClosing = false;
    qsizetype end = 0; // after its ">", or the end of the text when it never closes
};

// Reads a tag as the document's parser reads it, so that every element the parser opens is
// counted: after "<" and white space, "!" starts a comment or declaration, "/" an end tag, and
// anything else a start tag named by the next word, however it is spelt ("<@>", "<1>", "< b>",
// "<\"x\">"). Quotes count only around a word, as they do for the parser: a stray quote does not
// hide the tags after it.
class TagReader {
public:
    TagReader(const QString& html, qsizetype lessThan)
        : m_html(html)
        , m_pos(lessThan + 1)
    {
    }

    Tag read()
    {
        Tag tag;
        skipSpace();
        if (at(u'!')) {
            tag.kind = Tag::Kind::Declaration;
            tag.end = declarationEnd();
        } else if (at(u'/')) {
            ++m_pos;
            tag.kind = Tag::Kind::End;
            tag.name = word().toLower().trimmed();
            skipPast(u'>');
            tag.end = m_pos;
        } else {
            tag.name = word().toLower();
            if (m_pos < m_html.size() && m_html[m_pos].isSpace())
                skipAttributes();
            tag.selfClosing = skipToTagEnd();
            tag.end = m_pos;
        }
        return tag;
    }

private:
    bool at(QChar c, qsizetype ahead = 0) const { return m_pos + ahead < m_html.size() && m_html[m_pos + ahead] == c; }

    // White space as the parser skips it: all but the paragraph separator.
    void skipSpace()
    {
        while (m_pos < m_html.size() && m_html[m_pos].isSpace() && m_html[m_pos] != QChar::ParagraphSeparator)
            ++m_pos;
    }

    void skipPast(QChar c)
    {
        while (m_pos < m_html.size() && m_html[m_pos++] != c) {}
    }

    qsizetype declarationEnd()
    {
        ++m_pos;
        if (at(u'-') && at(u'-', 1)) {
            const auto close = m_html.indexOf(QLatin1String("-->"), m_pos + 2);
            return close < 0 ? m_html.size() : close + 3;
        }
        skipPast(u'>');
        return m_pos;
    }

    // A word in double quotes, in single quotes (one after a backslash does not end it) or up to
    // ">", "/>", "<", "=" or white space.
    QString word()
    {
        const auto start = m_pos;
        if (at(u'"')) {
            ++m_pos;
            skipPast(u'"');
            return m_html.mid(start + 1, m_pos - start - 1);
        }
        if (at(u'\'')) {
            ++m_pos;
            while (m_pos < m_html.size()) {
                const auto c = m_html[m_pos++];
                if (c == u'\'' && m_html[m_pos - 2] != u'\\')
                    break;
            }
            return m_html.mid(start + 1, m_pos - start - 1);
        }
        while (m_pos < m_html.size()) {
            const auto c = m_html[m_pos];
            if (c == u'>' || (c == u'/' && at(u'>', 1)) || c == u'<' || c == u'=' || c.isSpace())
                break;
            ++m_pos;
        }
        return m_html.mid(start, m_pos - start);
    }

    void skipAttributes()
    {
        while (m_pos < m_html.size()) {
            skipSpace();
            if (at(u'>') || at(u'/') || word().isEmpty())
                return;
            skipSpace();
            if (at(u'=')) {
                ++m_pos;
                skipSpace();
                word();
            }
        }
    }

    // Past the tag's ">"; whether a "/" came before it.
    bool skipToTagEnd()
    {
        bool slash = false;
        while (m_pos < m_html.size() && m_html[m_pos] != u'>') {
            slash = slash || m_html[m_pos] == u'/';
            ++m_pos;
        }
        m_pos = qMin(m_pos + 1, m_html.size());
        return slash;
    }

    const QString& m_html;
    qsizetype m_pos;
};

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
        if (lt < 0) {
            result += QStringView(html).mid(i);
            break;
        }
        result += QStringView(html).mid(i, lt - i);
        const auto tag = TagReader(html, lt).read();
        bool kept = true;
        if (tag.kind == Tag::Kind::End)
            kept = elements.close(tag.name);
        else if (tag.kind == Tag::Kind::Start && !tag.name.isEmpty() && !tag.selfClosing && !isVoid(tag.name))
            kept = elements.open(tag.name);
        if (kept)
            result += QStringView(html).mid(lt, tag.end - lt);
        i = tag.end;
    }
    return result;
}

} // namespace BoundedHtml

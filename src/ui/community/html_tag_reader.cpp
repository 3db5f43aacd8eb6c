#include "html_tag_reader.h"

namespace {

class TagReader {
public:
    TagReader(const QString& html, qsizetype lessThan)
        : m_html(html)
        , m_pos(lessThan + 1)
    {
    }

    HtmlTag read()
    {
        HtmlTag tag;
        skipSpace();
        if (at(u'!')) {
            tag.kind = HtmlTag::Kind::Declaration;
            tag.end = declarationEnd();
        } else if (at(u'/')) {
            ++m_pos;
            tag.kind = HtmlTag::Kind::End;
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
        if (at(u'"') || at(u'\''))
            return quoted(m_html[m_pos]);
        const auto start = m_pos;
        while (m_pos < m_html.size()) {
            const auto c = m_html[m_pos];
            if (c == u'>' || (c == u'/' && at(u'>', 1)) || c == u'<' || c == u'=' || c.isSpace())
                break;
            ++m_pos;
        }
        return m_html.mid(start, m_pos - start);
    }

    // What follows the opening `quote` up to the closing one, or to the end of the text.
    QString quoted(QChar quote)
    {
        const auto start = ++m_pos;
        while (m_pos < m_html.size()) {
            const auto c = m_html[m_pos++];
            if (c == quote && (quote == u'"' || m_html[m_pos - 2] != u'\\'))
                return m_html.mid(start, m_pos - 1 - start);
        }
        return m_html.mid(start);
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

} // namespace

HtmlTag readHtmlTag(const QString& html, qsizetype lessThan) { return TagReader(html, lessThan).read(); }

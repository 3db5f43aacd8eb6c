#include "bounded_html.h"

#include "html_tag_reader.h"

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
        const auto tag = readHtmlTag(html, lt);
        bool kept = true;
        if (tag.kind == HtmlTag::Kind::End)
            kept = elements.close(tag.name);
        else if (tag.kind == HtmlTag::Kind::Start && !tag.name.isEmpty() && !tag.selfClosing && !isVoid(tag.name))
            kept = elements.open(tag.name);
        if (kept)
            result += QStringView(html).mid(lt, tag.end - lt);
        i = tag.end;
    }
    return result;
}

} // namespace BoundedHtml

#pragma once

#include <QString>

// One tag of HTML as the text document's parser reads it, so that a bound on what the parser
// builds counts every element it opens: after "<" and white space, "!" starts a comment or
// declaration, "/" an end tag, and anything else a start tag named by the next word, however it
// is spelt ("<@>", "<1>", "< b>", "<\"x\">"). Quotes count only around a word, as they do for
// the parser: a stray quote does not hide the tags after it.
struct HtmlTag {
    enum class Kind { Start, End, Declaration };
    Kind kind = Kind::Start;
    QString name; // lower case, as written (character references are not decoded)
    bool selfClosing = false; // a "/" before the start tag's ">"
    qsizetype end = 0; // after its ">", or the end of the text when it never closes
};

// The tag whose "<" is at `lessThan` in `html`.
HtmlTag readHtmlTag(const QString& html, qsizetype lessThan);

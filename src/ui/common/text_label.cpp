#include "text_label.h"

#include <QStyle>

namespace {
const char* roleName(TextColor color)
{
    switch (color) {
    case TextColor::Primary:
        return "";
    case TextColor::Secondary:
        return "secondary";
    case TextColor::Tertiary:
        return "tertiary";
    case TextColor::Accent:
        return "accent";
    case TextColor::Red:
        return "red";
    case TextColor::Green:
        return "green";
    case TextColor::Blue:
        return "blue";
    case TextColor::Orange:
        return "orange";
    case TextColor::Yellow:
        return "yellow";
    case TextColor::Purple:
        return "purple";
    case TextColor::Teal:
        return "teal";
    case TextColor::Gray:
        return "gray";
    }
    return "";
}
} // namespace

void setTextColor(QLabel* label, TextColor color)
{
    label->setProperty("textColor", QString::fromLatin1(roleName(color)));
    // A changed property takes effect in the style sheet only after re-polishing.
    label->style()->unpolish(label);
    label->style()->polish(label);
}

QLabel* makeLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(Theme::shared().font(style, weight));
    label->setProperty("textColor", QString::fromLatin1(roleName(color)));
    return label;
}

QLabel* makeLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    return makeLabel(text, style, Theme::shared().font(style).weight(), color, parent);
}

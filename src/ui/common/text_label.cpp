#include "text_label.h"

#include <QApplication>

namespace {
// The label's colour role, kept on the label so that a change of theme can paint it again.
constexpr char colorRoleProperty[] = "textColorRole";

// The roles a label may paint its text with: a label inside a button takes the button's.
constexpr QPalette::ColorRole textRoles[] = {QPalette::WindowText, QPalette::ButtonText, QPalette::Text};

void paintInRole(QLabel* label)
{
    const auto role = static_cast<TextColor>(label->property(colorRoleProperty).toInt());
    QPalette colors = label->palette();
    const QPalette window = QApplication::palette();
    for (auto textRole : textRoles) {
        if (role == TextColor::Primary) {
            // The window's own text colour, dimmed while disabled as every plain label is.
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                colors.setColor(group, textRole, window.color(group, textRole));
        } else {
            colors.setColor(textRole, Theme::shared().palette().color(role));
        }
    }
    label->setPalette(colors);
}
} // namespace

void setTextColor(QLabel* label, TextColor color)
{
    const bool following = label->property(colorRoleProperty).isValid();
    label->setProperty(colorRoleProperty, static_cast<int>(color));
    paintInRole(label);
    if (!following)
        QObject::connect(&Theme::shared(), &Theme::changed, label, [label] { paintInRole(label); });
}

void styleLabel(QLabel* label, TextStyle style, QFont::Weight weight, TextColor color)
{
    label->setFont(Theme::shared().font(style, weight));
    // A label in the window's text colour takes it from the application, as it changes.
    if (color != TextColor::Primary)
        setTextColor(label, color);
}

QLabel* makeLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    styleLabel(label, style, weight, color);
    return label;
}

QLabel* makeLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    return makeLabel(text, style, Theme::shared().font(style).weight(), color, parent);
}

#include "text_field.h"

#include "themed_sheet.h"

namespace {
QString fieldSheet(const ThemePalette& p)
{
    return QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: %6px;"
                          " padding: 6px 9px; selection-background-color: %4; selection-color: %5;"
                          " lineedit-password-character: 8226; }\n"
                          "QLineEdit:focus { border: 2px solid %4; padding: 5px 8px; }\n"
                          "QLineEdit:disabled { color: %7; }\n")
        .arg(cssColor(p.control), cssColor(p.text), cssColor(p.controlBorder), cssColor(p.accent), cssColor(p.onAccent))
        .arg(Spacing::controlRadius)
        .arg(cssColor(p.tertiaryText));
}
} // namespace

QLineEdit* makeTextField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    setThemedStyleSheet(field, &fieldSheet);
    return field;
}

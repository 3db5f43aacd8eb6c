#include "check_box.h"

#include "themed_sheet.h"

namespace {
QString checkBoxSheet(const ThemePalette& p)
{
    return QStringLiteral("QCheckBox { spacing: 7px; color: %1; }").arg(cssColor(p.text));
}
} // namespace

QCheckBox* makeCheckBox(const QString& text, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    setThemedStyleSheet(box, &checkBoxSheet);
    return box;
}

#include "settings_view.h"

#include "platform/text_table.h"

SettingsView::SettingsView(QWidget* parent)
    : PlaceholderScreen(i18n::tr(QStringLiteral("设置")), QStringLiteral("gearshape"), parent)
{
}

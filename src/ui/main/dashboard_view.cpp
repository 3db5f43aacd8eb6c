#include "dashboard_view.h"

#include "platform/text_table.h"

DashboardView::DashboardView(QWidget* parent)
    : PlaceholderScreen(i18n::tr(QStringLiteral("仪表盘")), QStringLiteral("gauge.medium"), parent)
{
}

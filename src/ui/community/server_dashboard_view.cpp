#include "server_dashboard_view.h"

#include "platform/text_table.h"

ServerDashboardView::ServerDashboardView(QWidget* parent)
    : PlaceholderScreen(i18n::tr(QStringLiteral("服务器")), QStringLiteral("server.rack"), parent)
{
}

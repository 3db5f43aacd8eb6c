#include "tab_screens.h"

#include "platform/text_table.h"

#include <QtGlobal>

QWidget* makeTabScreen(const TabScreenServices& services, MainTab tab, QWidget* parent)
{
    switch (tab) {
    case MainTab::dashboard:
        break;
    case MainTab::nodes:
        return new NodesListView(services.nodes, parent);
    case MainTab::settings:
        return new SettingsView(services.settings, parent);
    case MainTab::serverDashboard:
        return new ServerDashboardView(services.serverDashboard, parent);
    case MainTab::account:
        return new ProfileView(services.profile, parent);
    }
    return new DashboardView(services.dashboard, parent);
}

QString navigationTabTitle(MainTab tab)
{
    Q_ASSERT(tab != MainTab::account);
    switch (tab) {
    case MainTab::nodes:
        return i18n::tr(QStringLiteral("节点列表"));
    case MainTab::settings:
        return i18n::tr(QStringLiteral("设置"));
    case MainTab::serverDashboard:
        return i18n::tr(QStringLiteral("服务器"));
    case MainTab::dashboard:
    case MainTab::account:
        break;
    }
    return i18n::tr(QStringLiteral("仪表盘"));
}

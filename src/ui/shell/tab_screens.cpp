#include "tab_screens.h"

#include "platform/text_table.h"

#include <QtGlobal>

QWidget* makeTabScreen(const TabScreenServices& services, int tab, QWidget* parent)
{
    switch (tab) {
    case 1:
        return new NodesListView(services.nodes, parent);
    case 2:
        return new SettingsView(services.settings, parent);
    case 3:
        return new ServerDashboardView(services.serverDashboard, parent);
    case 4:
        return new ProfileView(services.profile, parent);
    default:
        return new DashboardView(services.dashboard, parent);
    }
}
QString navigationTabTitle(int tab)
{
    static const char16_t* const titles[navigationTabCount] = {u"仪表盘", u"节点列表", u"设置", u"服务器"};
    Q_ASSERT(tab >= 0 && tab < navigationTabCount);
    return i18n::tr(QString::fromUtf16(titles[tab]));
}

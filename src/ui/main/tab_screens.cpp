#include "tab_screens.h"

#include "platform/text_table.h"
#include "ui/account/profile_view.h"
#include "ui/account/settings_view.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/main/dashboard_view.h"
#include "ui/nodes/nodes_list_view.h"
#include "app/app_state.h"
#include "connection/ping_service.h"
#include "connection/vpn_manager.h"

#include <QtGlobal>

QWidget* makeTabScreen(int tab, QWidget* parent)
{
    switch (tab) {
    case 1:
        return new NodesListView({.appState = AppState::shared(),
                                  .vpnManager = VpnManager::shared(),
                                  .actions = ConnectionActions::of(VpnManager::shared()),
                                  .probe = [](QString host, qint64 port, double timeout) {
                                      return PingService::shared().ping(std::move(host), port, timeout);
                                  }},
                                 parent);
    case 2: return new SettingsView(parent);
    case 3: return new ServerDashboardView(parent);
    case 4: return new ProfileView(parent);
    default: return new DashboardView(parent);
    }
}

QString navigationTabTitle(int tab)
{
    static const char16_t* const titles[navigationTabCount] = {u"仪表盘", u"节点列表", u"设置", u"服务器"};
    Q_ASSERT(tab >= 0 && tab < navigationTabCount);
    return i18n::tr(QString::fromUtf16(titles[tab]));
}

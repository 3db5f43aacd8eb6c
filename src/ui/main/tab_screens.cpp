#include "tab_screens.h"

#include "api/api_service.h"
#include "api/domain_pool.h"
#include "app/app_state.h"
#include "app/auto_updater.h"
#include "app/url_opener.h"
#include "connection/ping_service.h"
#include "connection/vpn_manager.h"
#include "connection/xray_manager.h"
#include "platform/biometric_auth.h"
#include "platform/language_manager.h"
#include "platform/login_item.h"
#include "platform/notifier.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "ui/account/login_view.h"
#include "ui/account/profile_view.h"
#include "ui/account/settings_view.h"
#include "ui/commerce/commerce_sheets.h"
#include "ui/common/theme.h"
#include "ui/community/community_sheets.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/main/dashboard_view.h"
#include "ui/nodes/nodes_list_view.h"
#include "app/app_state.h"
#include "connection/ping_service.h"
#include "connection/vpn_manager.h"

#include <QtGlobal>

namespace {

// The process's objects for the account and settings screens and their sheets, until the
// application context hands them down.
void openSignIn(QWidget* parent)
{
    (new LoginView(parent))->open();
}

CommerceServices commerceServices()
{
    return {.api = ApiService::shared(),
            .theme = Theme::shared(),
            .notifier = Notifier::shared(),
            .serviceAddress = DomainPool::defaults().first()};
}

ProfileView::Services profileServices()
{
    return {.appState = AppState::shared(),
            .notifier = Notifier::shared(),
            .openSignIn = openSignIn,
            .openPurchase = [](QWidget* parent) { openPurchaseSheet(commerceServices(), parent); },
            .openSubscription = [](QWidget* parent) { openSubscriptionSheet(commerceServices(), parent); },
            .openTrafficLog = [](QWidget* parent) { openTrafficLogSheet({.api = ApiService::shared()}, parent); },
            .openInvite = [](QWidget* parent) { openInviteSheet({.api = ApiService::shared()}, parent); },
            .openWithdraw = [](QWidget* parent) { openWithdrawSheet({.api = ApiService::shared()}, parent); },
            .openConverter = [](QWidget* parent) { openConverterSheet(commerceServices(), parent); },
            .openSupport = [](QWidget* parent) { openSupportSheet({.api = ApiService::shared()}, parent); }};
}

SettingsView::Services settingsServices()
{
    return {.appState = AppState::shared(),
            .languageManager = LanguageManager::shared(),
            .vpnManager = VpnManager::shared(),
            .xray = XrayManager::shared(),
            .settings = SettingsStore::shared(),
            .notifier = Notifier::shared(),
            .loginItem = LoginItem::shared(),
            .biometric = BiometricAuth::shared(),
            .ping = PingService::shared(),
            .urlOpener = UrlOpener::shared(),
            .webSite = ApiService::shared().baseURL(),
            .checkForUpdates = [] { AutoUpdater::shared().check(true); },
            .openSignIn = openSignIn};
}

} // namespace

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
    case 2: return new SettingsView(settingsServices(), parent);
    case 3: return new ServerDashboardView({.api = ApiService::shared()}, parent);
    case 4: return new ProfileView(profileServices(), parent);
    default: return new DashboardView(parent);
    }
}

QString navigationTabTitle(int tab)
{
    static const char16_t* const titles[navigationTabCount] = {u"仪表盘", u"节点列表", u"设置", u"服务器"};
    Q_ASSERT(tab >= 0 && tab < navigationTabCount);
    return i18n::tr(QString::fromUtf16(titles[tab]));
}

#include "shell_context.h"

#include "app/app_context.h"
#include "app/url_opener.h"
#include "connection/vpn_manager.h"
#include "ui/account/full_page_login_view.h"
#include "ui/account/login_view.h"
#include "ui/commerce/commerce_sheets.h"
#include "ui/common/theme.h"
#include "ui/community/announcements_view.h"
#include "ui/community/community_sheets.h"
#include "ui/nodes/menu_bar_view.h"
#include "ui/shell/compact_dashboard.h"

#include <QApplication>
#include <QDir>
#include <QSystemTrayIcon>

ShellContext::ShellContext(AppContext& app)
    : m_app(app)
    , m_updateDialogs(app.notifier())
    , m_updater({.api = app.api(),
                 .adminScripts = app.adminScripts(),
                 .urlOpener = app.urlOpener(),
                 .notifier = app.notifier(),
                 .quit = [] { QCoreApplication::quit(); },
                 .installMode = AutoUpdater::nativeInstallMode(),
                 .mainWebAddress = app.domainPool().value(0),
                 .workDirParent = QDir::tempPath(),
                 .prompts = &m_updateDialogs})
{
}

VelmorandApp::Services ShellContext::appServices()
{
    return {.connection = m_app.vpnManager(),
            .appState = m_app.appState(),
            .languageManager = m_app.languageManager(),
            .theme = m_theme,
            .settings = m_app.settings(),
            .hub = m_app.notifier(),
            .notifier = m_app.userNotifier(),
            .startup = m_app.startup(),
            .contentServices = [this] { return contentServices(); },
            .makeDelegate = [this] { return std::make_unique<AppDelegate>(delegateServices()); },
            .checkForUpdate = [this] { m_updater.check(false); },
            .discoverEndpoint = [this] { m_app.api().discoverBestEndpoint(); }};
}

AppDelegate::Services ShellContext::delegateServices()
{
    return {.settings = m_app.settings(),
            .connection = m_app.vpnManager(),
            .hub = m_app.notifier(),
            .notifier = m_app.userNotifier(),
            .startup = m_app.startup(),
            .makeMenuBarManager = [this] { return std::make_unique<MenuBarManager>(menuBarServices()); },
            .quit = &QApplication::quit};
}

MenuBarManager::Services ShellContext::menuBarServices()
{
    return {.settings = m_app.settings(),
            .connection = m_app.vpnManager(),
            .statusAreaAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
            .makePopoverContent = [this]() -> QWidget* { return new MenuBarView(popoverServices()); },
            .theme = m_theme};
}

ContentView::Services ShellContext::contentServices()
{
    return {.appState = m_app.appState(),
            .settings = m_app.settings(),
            .theme = m_theme,
            .biometric = m_app.biometric(),
            .hub = m_app.notifier(),
            .sessionWatcher = &m_sessionWatcher,
            .makeTabScreen = [screens = tabScreenServices()](
                                 MainTab tab, QWidget* parent) { return makeTabScreen(screens, tab, parent); },
            .makeSignIn = [this](QWidget* parent) -> QWidget* {
                return new FullPageLoginView(loginServices(), m_app.urlOpener(),
                                             FullPageLoginView::registerPageOf(m_app.api().baseURL()), parent);
            },
            .makeCompact
            = [this](QWidget* parent) -> QWidget* { return new CompactDashboard(connectionControls(), parent); },
            .makeAnnouncements = [](const QList<Announcement>& announcements, QWidget* parent) -> QDialog* {
                return new AnnouncementsView(announcements, parent);
            }};
}

TabScreenServices ShellContext::tabScreenServices()
{
    return {.dashboard = {.connection = m_app.vpnManager(),
                          .appState = m_app.appState(),
                          .ipService = m_app.ipInfo(),
                          .startup = m_app.startup()},
            .nodes = nodesServices(),
            .settings = settingsServices(),
            .serverDashboard = {.api = m_app.api()},
            .profile = profileServices()};
}

ConnectionControlServices ShellContext::connectionControls()
{
    return {.connection = m_app.vpnManager(), .appState = m_app.appState(), .settings = m_app.settings()};
}

LoginForm::Services ShellContext::loginServices()
{
    return {.appState = m_app.appState(),
            .keychain = m_app.keychain(),
            .settings = m_app.settings(),
            .openForgotPassword = [this](QWidget* screen) -> QWidget* {
                auto* sheet = new ForgotPasswordView(resetServices(), screen);
                sheet->open();
                return sheet;
            }};
}

ForgotPasswordView::Services ShellContext::resetServices()
{
    // The sheet's own client: a fresh session and cookie jar over the same settings.
    return {.appState = m_app.appState(), .settings = m_app.settings(), .makeApi = [this] {
                return std::make_unique<ApiService>(m_app.settings(), m_app.domainPool(), m_app.apiOptions());
            }};
}

NodesListView::Services ShellContext::nodesServices()
{
    return {.appState = m_app.appState(),
            .connection = m_app.vpnManager(),
            .probe = [&ping = m_app.ping()](QString host, qint64 port, double timeout) {
                return ping.ping(std::move(host), port, timeout);
            }};
}

SettingsView::Services ShellContext::settingsServices()
{
    return {.appState = m_app.appState(),
            .languageManager = m_app.languageManager(),
            .connection = m_app.vpnManager(),
            .settings = m_app.settings(),
            .notifier = m_app.notifier(),
            .loginItem = m_app.loginItem(),
            .biometric = m_app.biometric(),
            .ping = m_app.ping(),
            .urlOpener = m_app.urlOpener(),
            .webSite = m_app.api().baseURL(),
            .checkForUpdates = [this] { m_updater.check(true); },
            .openSignIn = [this](QWidget* parent) { openSignIn(parent); }};
}

ProfileView::Services ShellContext::profileServices()
{
    auto& api = m_app.api();
    return {.appState = m_app.appState(),
            .notifier = m_app.notifier(),
            .openSignIn = [this](QWidget* parent) { openSignIn(parent); },
            .openPurchase = [this](QWidget* parent) { openPurchaseSheet(commerceServices(), parent); },
            .openSubscription = [this](QWidget* parent) { openSubscriptionSheet(commerceServices(), parent); },
            .openTrafficLog = [&api](QWidget* parent) { openTrafficLogSheet({.api = api}, parent); },
            .openInvite = [&api](QWidget* parent) { openInviteSheet({.api = api}, parent); },
            .openWithdraw = [&api](QWidget* parent) { openWithdrawSheet({.api = api}, parent); },
            .openConverter = [this](QWidget* parent) { openConverterSheet(commerceServices(), parent); },
            .openSupport = [&api](QWidget* parent) { openSupportSheet({.api = api}, parent); }};
}

MenuBarView::Services ShellContext::popoverServices()
{
    return {.connection = m_app.vpnManager(),
            .appState = m_app.appState(),
            .languageManager = m_app.languageManager(),
            .settings = m_app.settings(),
            .loginItem = m_app.loginItem(),
            .quit = &QApplication::quit};
}

CommerceServices ShellContext::commerceServices()
{
    return {.api = m_app.api(),
            .theme = m_theme,
            .notifier = m_app.notifier(),
            .serviceAddress = m_app.domainPool().value(0)};
}

void ShellContext::openSignIn(QWidget* parent) { (new LoginView(loginServices(), parent))->open(); }

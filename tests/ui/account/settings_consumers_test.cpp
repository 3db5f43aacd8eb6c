// Each setting the form changes, stored under its key and read back by the part of the program
// that uses it.
#include "settings_world.h"

#include "connection/xray_manager.h"
#include "platform/fakes/recording_user_notifier.h"
#include "platform/settings_keys.h"
#include "support/scoped_theme.h"
#include "ui/account/dns_section.h"
#include "ui/account/settings_form.h"
#include "ui/account/split_tunnel_section.h"
#include "ui/account/vpn_section.h"
#include "ui/common/theme.h"
#include "ui/shell/connection_notices.h"
#include "ui/shell/content_view.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

struct Consumer {
    const char* setting;
    QString key;
    // What the user does in the form.
    std::function<void(SettingsView&)> change;
    QJsonValue stored;
    // Whether the component that reads the setting acts on the new value.
    std::function<bool(SettingsWorld&)> readBack;
};

QCheckBox* toggle(SettingsView& view, const QString& key) { return view.vpnSection()->toggle(key); }

// The main window root over the world's state; it applies the look to `theme` and decides the lock.
std::unique_ptr<ContentView> makeContent(SettingsWorld& world, Theme& theme)
{
    return std::make_unique<ContentView>(ContentView::Services{
        .appState = world.appState,
        .settings = world.settings,
        .theme = theme,
        .biometric = world.biometric,
        .hub = world.notifier,
        .sessionWatcher = nullptr,
        .makeTabScreen = [](MainTab, QWidget* parent) { return new QWidget(parent); },
        .makeSignIn = [](QWidget* parent) { return new QWidget(parent); },
        .makeCompact = [](QWidget* parent) { return new QWidget(parent); },
        .makeAnnouncements = [](const QList<Announcement>&, QWidget*) -> QDialog* { return nullptr; }});
}

// Whether the look the main window root applies passes `check`; the default look afterwards.
bool themeShows(SettingsWorld& world, const std::function<bool(const Theme&)>& check)
{
    ScopedTheme look;
    auto content = makeContent(world, look.theme());
    content->show();
    settle();
    const bool shown = check(look.theme());
    world.settings.setValue(SettingsKeys::appearanceOverride, QStringLiteral("light"));
    world.settings.setValue(SettingsKeys::accentColor, QStringLiteral("blue"));
    return shown;
}

bool connectsWith(SettingsWorld& world, const std::function<bool()>& seen)
{
    world.connectEngine(testNode());
    return seen();
}

TEST(SettingsConsumers, EverySettingIsReadBackByItsComponent)
{
    const Consumer consumers[] = {
        {"auto connect", SettingsKeys::autoConnect,
         [](SettingsView& v) { toggle(v, SettingsKeys::autoConnect)->click(); }, true,
         [](SettingsWorld& w) {
             // The start-up work connects to the best online node when the setting is on.
             FakeVpnConnection requested;
             w.appState.setNodes({w.localNode()});
             StartupRules rules({.api = *w.appStateWorld.api,
                                 .appState = w.appState,
                                 .vpnManager = *w.engine,
                                 .settings = w.settings,
                                 .connection = requested},
                                StartupTimings{.autoConnectDelay = std::chrono::milliseconds(1)});
             rules.windowDidFirstAppear();
             return QTest::qWaitFor([&] { return !requested.connects.isEmpty(); }, 3000);
         }},
        {"fastest node", SettingsKeys::autoFastestNode,
         [](SettingsView& v) { toggle(v, SettingsKeys::autoFastestNode)->click(); }, true,
         [](SettingsWorld& w) { return w.appState.autoFastestNode(); }},
        {"reconnect", SettingsKeys::autoReconnectEnabled,
         [](SettingsView& v) { toggle(v, SettingsKeys::autoReconnectEnabled)->click(); }, false,
         [](SettingsWorld& w) { return !w.nextLaunchEngine()->autoReconnectEnabled(); }},
        {"window on connect", SettingsKeys::openOnConnect,
         [](SettingsView& v) { toggle(v, SettingsKeys::openOnConnect)->click(); }, true,
         [](SettingsWorld& w) {
             QSignalSpy opened(w.engine.get(), &VpnConnection::openMainWindowRequested);
             return connectsWith(w, [&] { return opened.count() == 1 || opened.wait(2000); });
         }},
        {"notices off", SettingsKeys::connectionNotifications,
         [](SettingsView& v) { toggle(v, SettingsKeys::connectionNotifications)->click(); }, false,
         [](SettingsWorld& w) {
             RecordingUserNotifier notifier;
             ConnectionNotices notices(*w.engine, w.settings, notifier);
             return connectsWith(w, [&] { return notifier.notices.isEmpty(); });
         }},
        {"kill switch", SettingsKeys::killSwitchEnabled,
         [](SettingsView& v) { toggle(v, SettingsKeys::killSwitchEnabled)->click(); }, true,
         [](SettingsWorld& w) { return connectsWith(w, [&] { return w.engine->killSwitchEnabled(); }); }},
        {"proxy mode", SettingsKeys::proxyMode,
         [](SettingsView& v) { v.vpnSection()->proxyModePicker()->choose(QStringLiteral("tun")); },
         QStringLiteral("tun"),
         [](SettingsWorld& w) { return w.nextLaunchEngine()->proxyMode() == VpnConnection::ProxyMode::tun; }},
        {"routing", SettingsKeys::mihomoMode,
         [](SettingsView& v) { v.vpnSection()->routingPicker()->choose(QStringLiteral("global")); },
         QStringLiteral("global"),
         [](SettingsWorld& w) {
             const auto config = QJsonDocument::fromJson(w.core.make()->buildConfig(testNode(), std::nullopt).toUtf8());
             return config[QStringLiteral("routing")][QStringLiteral("rules")].toArray().isEmpty();
         }},
        {"dns", SettingsKeys::customDNS,
         [](SettingsView& v) { v.dnsSection()->field()->setText(QStringLiteral("9.9.9.9")); },
         QStringLiteral("9.9.9.9"),
         [](SettingsWorld& w) {
             return w.xray->buildConfig(testNode(), std::nullopt).contains(QLatin1String("\"9.9.9.9\""));
         }},
        {"applications", SettingsKeys::splitTunnelApps,
         [](SettingsView& v) {
             v.splitTunnelSection()->openPicker();
             auto* picker = v.splitTunnelSection()->picker();
             picker->list()->setCurrentRow(0);
             picker->addButton()->click();
         },
         QJsonArray{QStringLiteral("@program")},
         [](SettingsWorld& w) {
             const auto later = w.nextLaunchEngine();
             later->loadSplitTunnelApps();
             return later->splitTunnelApps().size() == 1
                 && later->splitTunnelApps()[0].endsWith(QLatin1String("/shell"));
         }},
        {"touch id", SettingsKeys::touchIdEnabled, [](SettingsView& v) { v.touchIdToggle()->click(); }, true,
         [](SettingsWorld& w) {
             w.biometric.succeed = false;
             ScopedTheme look;
             auto content = makeContent(w, look.theme());
             content->show();
             settle();
             return content->face() == ContentView::Face::lock;
         }},
        {"login item", SettingsKeys::launchOnLogin, [](SettingsView& v) { v.launchOnLoginToggle()->click(); }, true,
         [](SettingsWorld& w) { return w.loginItem.isEnabled(); }},
        {"appearance", SettingsKeys::appearanceOverride,
         [](SettingsView& v) { v.themePicker()->choose(QStringLiteral("dark")); }, QStringLiteral("dark"),
         [](SettingsWorld& w) { return themeShows(w, [](const Theme& theme) { return theme.isDark(); }); }},
        {"accent", SettingsKeys::accentColor,
         [](SettingsView& v) { v.accentPicker()->choose(QStringLiteral("green")); }, QStringLiteral("green"),
         [](SettingsWorld& w) {
             return themeShows(w, [](const Theme& theme) { return theme.accentName() == QLatin1String("green"); });
         }},
        {"language", SettingsKeys::appLanguage,
         [](SettingsView& v) { v.languagePicker()->choose(QStringLiteral("ja")); }, QStringLiteral("ja"),
         [](SettingsWorld& w) { return LanguageManager(w.settings).currentLanguage() == AppLanguage::ja; }},
    };
    for (const auto& c : consumers) {
        SCOPED_TRACE(c.setting);
        SettingsWorld world;
        // The form over the engine, which keeps the connection's settings itself.
        world.formConnection = world.engine.get();
        const auto program = world.addApplication(QStringLiteral("Shell"));
        auto& view = world.makeView();
        c.change(view);
        settle();
        const auto expected
            = c.stored == QJsonArray{QStringLiteral("@program")} ? QJsonValue(QJsonArray{program}) : c.stored;
        EXPECT_EQ(world.settings.value(c.key), expected);
        EXPECT_TRUE(c.readBack(world));
    }
}

// The form shows notices as on while the key is absent, and the notices are indeed posted.
TEST(SettingsConsumers, ConnectionNoticesHaveOneDefault)
{
    SettingsWorld world;
    auto& view = world.makeView();
    ASSERT_FALSE(world.settings.contains(SettingsKeys::connectionNotifications));
    EXPECT_TRUE(toggle(view, SettingsKeys::connectionNotifications)->isChecked());
    RecordingUserNotifier notifier;
    ConnectionNotices notices(world.vpn, world.settings, notifier);
    world.connect(testNode());
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].second, i18n::format(i18n::tr(QStringLiteral("已连接到 %@")), testNode().name));
}

} // namespace

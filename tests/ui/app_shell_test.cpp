#include "support/event_waits.h"
#include "support/screenshot.h"
#include "ui/shell/app_delegate.h"
#include "ui/shell/connection_notices.h"
#include "ui/shell/main_window.h"
#include "ui/shell/menu_bar_manager.h"
#include "ui/shell/menu_commands.h"
#include "ui/shell/velmorand_app.h"
#include "ui/shell/window_frame.h"
#include "ui_world.h"

#include "app/app_events.h"
#include "platform/settings_keys.h"
#include "platform/text_table.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace {

class AppShellTest : public ::testing::Test {
protected:
    MenuBarManager::Services menuBarServices(bool trayAvailable = true)
    {
        return {*world.settings.store, world.vpn, [trayAvailable] { return trayAvailable; },
                []() -> QWidget* { return new QWidget; }, world.look.theme()};
    }
    AppDelegate::Services delegateServices()
    {
        return {.settings = *world.settings.store,
                .connection = world.vpn,
                .hub = world.hub,
                .notifier = world.notifier,
                .startup = *world.startup,
                .makeMenuBarManager =
                    [this] {
                        return std::make_unique<MenuBarManager>(menuBarServices(),
                                                                MenuBarManagerTimings{std::chrono::milliseconds(20)});
                    },
                .quit = [this] { ++quits; }};
    }
    std::unique_ptr<AppDelegate> launchedDelegate(QWidget& window)
    {
        auto delegate = std::make_unique<AppDelegate>(delegateServices());
        delegate->applicationDidFinishLaunching(&window);
        return delegate;
    }
    SettingsStore& settings() { return *world.settings.store; }

    UiWorld world;
    int quits = 0;
};

TEST(WindowFrame, TextFormRoundTripsAndReadsLeniently)
{
    EXPECT_EQ(WindowFrame::toString(QRect(10, 20, 800, 600)), QStringLiteral("{{10, 20}, {800, 600}}"));
    struct Case {
        QString text;
        QRect frame;
    };
    for (const auto& c : {Case{QStringLiteral("{{10, 20}, {800, 600}}"), QRect(10, 20, 800, 600)},
                          Case{QStringLiteral("{{-5.6, 0}, {1e3, 640.4}}"), QRect(-6, 0, 1000, 640)},
                          Case{QStringLiteral("{{1, 2}}"), QRect(1, 2, 0, 0)},
                          Case{QStringLiteral("garbage"), QRect(0, 0, 0, 0)}, Case{QString(), QRect(0, 0, 0, 0)}})
        EXPECT_EQ(WindowFrame::fromString(c.text), c.frame) << c.text.toStdString();
}

TEST_F(AppShellTest, LaunchRestoresTheFrameAndAsksForNoticePermission)
{
    settings().setValue(SettingsKeys::windowFrame, QStringLiteral("{{40, 50}, {720, 560}}"));
    QWidget window;
    window.show();
    auto delegate = launchedDelegate(window);
    EXPECT_EQ(world.notifier.permissionRequests, 1);
    settle();
    EXPECT_EQ(window.geometry(), QRect(40, 50, 720, 560));

    // Every move or resize saves the frame.
    window.resize(800, 600);
    settle();
    EXPECT_EQ(settings().stringValue(SettingsKeys::windowFrame), QStringLiteral("{{40, 50}, {800, 600}}"));
    window.setGeometry(70, 80, 800, 600);
    settle();
    EXPECT_EQ(settings().stringValue(SettingsKeys::windowFrame), QStringLiteral("{{70, 80}, {800, 600}}"));
}

TEST_F(AppShellTest, AnUnreadableFrameLeavesTheWindowAsItIs)
{
    for (const auto* stored : {"nonsense", "{{0, 0}, {0, 0}}"}) {
        settings().setValue(SettingsKeys::windowFrame, QLatin1String(stored));
        QWidget window;
        window.setGeometry(100, 100, 500, 400);
        auto delegate = launchedDelegate(window);
        settle();
        EXPECT_EQ(window.size(), QSize(500, 400)) << stored;
    }
}

TEST_F(AppShellTest, AutomaticLaunchConnectionUsesTheLastNodeOnlyWhenOnline)
{
    const auto nodes = world.service.state().nodes;
    qint64 firstOnline = 0;
    qint64 offline = 0;
    for (const auto& value : nodes) {
        const auto object = value.toObject();
        const bool online = object.value(QStringLiteral("status")).toString() == QLatin1String("online");
        if (online && !firstOnline)
            firstOnline = object.value(QStringLiteral("id")).toInteger();
        if (!online && !offline)
            offline = object.value(QStringLiteral("id")).toInteger();
    }
    ASSERT_TRUE(firstOnline);
    ASSERT_TRUE(offline) << "the seeded list has an offline node";
    world.signIn();
    settings().setValue(SettingsKeys::autoConnect, true);
    struct Case {
        std::optional<qint64> lastNode;
        std::optional<qint64> connected;
    };
    for (const auto& c :
         {Case{std::nullopt, firstOnline}, Case{offline, std::nullopt}, Case{qint64(987654), std::nullopt}}) {
        SCOPED_TRACE(testing::Message() << "last node " << c.lastNode.value_or(0));
        world.vpn.connects.clear();
        if (c.lastNode)
            settings().setValue(SettingsKeys::lastConnectedNodeId, *c.lastNode);
        else
            settings().remove(SettingsKeys::lastConnectedNodeId);
        QWidget window;
        auto delegate = launchedDelegate(window);
        UiWorld::waitUntil([&] { return !world.service.requestsTo(QStringLiteral("/api/nodes")).isEmpty(); });
        world.waitUntilAnswersHandled();
        world.service.clearRequests();
        ASSERT_EQ(world.vpn.connects.size(), c.connected ? 1 : 0);
        if (c.connected) {
            EXPECT_EQ(world.vpn.connects.first().id, *c.connected);
        }
    }
}

TEST_F(AppShellTest, QuittingDisconnectsOnlyALiveConnection)
{
    QWidget window;
    window.setGeometry(10, 10, 640, 480);
    auto delegate = launchedDelegate(window);
    for (auto state : {ConnectionState::connecting, ConnectionState::disconnected, ConnectionState::disconnecting}) {
        world.vpn.setState(state);
        AppDelegate again(delegateServices());
        again.applicationWillTerminate();
    }
    EXPECT_EQ(world.vpn.disconnects, 0);
    world.vpn.setState(ConnectionState::connected);
    delegate->applicationWillTerminate();
    delegate->applicationWillTerminate();
    EXPECT_EQ(world.vpn.disconnects, 1) << "once per process";
    EXPECT_EQ(settings().stringValue(SettingsKeys::windowFrame), QStringLiteral("{{10, 10}, {640, 480}}"));
}

TEST_F(AppShellTest, TheStatusItemFollowsTheConnection)
{
    QWidget window;
    auto delegate = launchedDelegate(window);
    auto* manager = delegate->menuBarManager();
    ASSERT_TRUE(manager && manager->statusItem());
    EXPECT_EQ(manager->symbol(), QStringLiteral("shield.fill"));
    EXPECT_FALSE(manager->tint()) << "the plain symbol until the first change";
    EXPECT_EQ(manager->accessibilityText(), QStringLiteral("Velmorand"));

    struct Step {
        ConnectionState state;
        QString symbol;
        TextColor tint;
        QString text;
        bool title;
    };
    world.vpn.setTrafficSpeedDown(1536);
    world.vpn.setTrafficSpeedUp(0);
    for (const auto& s : {Step{ConnectionState::disconnected, QStringLiteral("shield"), TextColor::Gray,
                               QStringLiteral("Disconnected"), false},
                          Step{ConnectionState::connecting, QStringLiteral("shield.lefthalf.fill"), TextColor::Yellow,
                               QStringLiteral("Connecting"), false},
                          Step{ConnectionState::connected, QStringLiteral("shield.fill"), TextColor::Green,
                               QStringLiteral("Connected"), true},
                          Step{ConnectionState::disconnecting, QStringLiteral("shield.lefthalf.fill"),
                               TextColor::Yellow, QStringLiteral("Connecting"), false},
                          Step{ConnectionState::disconnected, QStringLiteral("shield"), TextColor::Gray,
                               QStringLiteral("Disconnected"), false}}) {
        world.vpn.setState(s.state);
        settle();
        EXPECT_EQ(manager->symbol(), s.symbol);
        EXPECT_EQ(manager->tint(), s.tint);
        EXPECT_EQ(manager->accessibilityText(), s.text);
        EXPECT_EQ(manager->isTrafficDisplayRunning(), s.title);
        EXPECT_EQ(manager->title(), s.title ? QStringLiteral("▼ 2K ▲ 0B") : QString());
        EXPECT_EQ(manager->statusItem()->toolTip(), s.title ? manager->title() : s.text);
    }
}

TEST_F(AppShellTest, TheStatusItemSaysWhatTheKillSwitchHoldsAndWhenTheChosenOneIsNotInForce)
{
    QWidget window;
    auto delegate = launchedDelegate(window);
    auto* manager = delegate->menuBarManager();
    ASSERT_TRUE(manager && manager->statusItem());
    const auto blocked = i18n::tr(QStringLiteral("网络锁生效中，非 VPN 流量已被阻止"));
    const QString notInForce = i18n::tr(QStringLiteral("网络锁未生效：")) + i18n::tr(QStringLiteral("未检测到网络服务"));
    struct Step {
        const char* name;
        ConnectionState state;
        bool rulesLoaded;
        const char* notInForceReason;
        QString notice; // empty: none
    };
    for (const auto& s :
         {Step{"a lost connection's rules held", ConnectionState::disconnected, true, "", blocked},
          Step{"connected behind them", ConnectionState::connected, true, "", blocked},
          Step{"connected without", ConnectionState::connected, false, "", {}},
          Step{"connected, chosen but not in force", ConnectionState::connected, false, "未检测到网络服务", notInForce},
          Step{"disconnected without", ConnectionState::disconnected, false, "", {}}}) {
        SCOPED_TRACE(s.name);
        world.vpn.setState(s.state);
        world.vpn.setKillSwitchLoaded(s.rulesLoaded);
        world.vpn.setKillSwitchNotInForce(QString::fromUtf8(s.notInForceReason));
        settle();
        const auto first = s.state == ConnectionState::connected ? manager->title() : manager->accessibilityText();
        EXPECT_EQ(manager->statusItem()->toolTip(), s.notice.isEmpty() ? first : first + QLatin1Char('\n') + s.notice);
    }

    // The line follows the reason itself, not only the next change of the item.
    world.vpn.setState(ConnectionState::connected);
    settle();
    world.vpn.setKillSwitchNotInForce(QStringLiteral("未检测到网络服务"));
    EXPECT_TRUE(manager->statusItem()->toolTip().endsWith(QLatin1Char('\n') + notInForce));
}

TEST_F(AppShellTest, TheSpeedTitleRefreshesOnItsOwnPace)
{
    QWidget window;
    auto delegate = launchedDelegate(window);
    auto* manager = delegate->menuBarManager();
    world.vpn.setState(ConnectionState::connected);
    settle();
    EXPECT_EQ(manager->title(), QStringLiteral("▼ 0B ▲ 0B"));
    world.vpn.setTrafficSpeedDown(1572864);
    world.vpn.setTrafficSpeedUp(2048);
    UiWorld::waitUntil([&] { return manager->title() == QStringLiteral("▼ 1.5M ▲ 2K"); });
}

TEST_F(AppShellTest, TheStatusItemHidesAndShowsOnRequest)
{
    settings().setValue(SettingsKeys::showMenuBar, false);
    QWidget window;
    auto delegate = launchedDelegate(window);
    auto* manager = delegate->menuBarManager();
    EXPECT_FALSE(manager->statusItem());
    emit world.hub.menuBarVisibilityChanged(true);
    ASSERT_TRUE(manager->statusItem());
    EXPECT_TRUE(manager->popover());
    world.vpn.setState(ConnectionState::connected);
    settle();
    emit world.hub.menuBarVisibilityChanged(false);
    EXPECT_FALSE(manager->statusItem());
    EXPECT_FALSE(manager->popover());
    EXPECT_FALSE(manager->isTrafficDisplayRunning());
    // Shown again while connected: the plain symbol and no title until the next change.
    emit world.hub.menuBarVisibilityChanged(true);
    EXPECT_EQ(manager->symbol(), QStringLiteral("shield.fill"));
    EXPECT_FALSE(manager->tint());
    EXPECT_TRUE(manager->title().isEmpty());
    // A second setup changes nothing.
    auto* item = manager->statusItem();
    manager->setupMenuBar();
    EXPECT_EQ(manager->statusItem(), item);
}

TEST_F(AppShellTest, EitherButtonTogglesThePopover)
{
    MenuBarManager manager(menuBarServices());
    ASSERT_TRUE(manager.statusItem());
    emit manager.statusItem()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(manager.popover()->isVisible());
    EXPECT_EQ(manager.popover()->size(), QSize(340, 520));
    emit manager.statusItem()->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(manager.popover()->isVisible());

    // Without a status area the popover is built but cannot be opened.
    MenuBarManager failed(menuBarServices(false));
    EXPECT_FALSE(failed.statusItem());
    EXPECT_TRUE(failed.popover());
    failed.togglePopover();
    EXPECT_FALSE(failed.popover()->isVisible());
    failed.updateMenuIcon(ConnectionState::connected);
    EXPECT_FALSE(failed.isTrafficDisplayRunning());
}

TEST(MenuBarManager, CompactSpeeds)
{
    struct Case {
        qint64 speed;
        QString text;
    };
    for (const auto& c :
         {Case{-5, QStringLiteral("0B")}, Case{0, QStringLiteral("0B")}, Case{1023, QStringLiteral("1023B")},
          Case{1024, QStringLiteral("1K")}, Case{1536, QStringLiteral("2K")}, Case{2560, QStringLiteral("2K")},
          Case{1048064, QStringLiteral("1024K")}, Case{1048575, QStringLiteral("1024K")},
          Case{1048576, QStringLiteral("1.0M")}, Case{1572864, QStringLiteral("1.5M")},
          Case{1073741824, QStringLiteral("1024.0M")}})
        EXPECT_EQ(MenuBarManager::speedCompact(c.speed), c.text) << c.speed;
    EXPECT_EQ(MenuBarManager::trafficTitle(1536, 0), QStringLiteral("▼ 2K ▲ 0B"));
}

TEST_F(AppShellTest, ClosingTheLastWindowQuitsOnlyWithoutAStatusItem)
{
    EXPECT_FALSE(AppDelegate(delegateServices()).applicationShouldTerminateAfterLastWindowClosed());
    for (const bool itemShown : {true, false}) {
        settings().setValue(SettingsKeys::showMenuBar, itemShown);
        QWidget window;
        window.show();
        auto delegate = launchedDelegate(window);
        quits = 0;
        delegate->windowWillClose();
        window.hide();
        settle();
        EXPECT_EQ(quits, itemShown ? 0 : 1) << "status item shown: " << itemShown;
        // Closing while another window stays on screen: nothing to quit.
        QWidget other;
        other.show();
        window.show();
        delegate->windowWillClose();
        window.hide();
        settle();
        EXPECT_EQ(quits, itemShown ? 0 : 1);
    }
}

TEST_F(AppShellTest, ReopeningBringsHiddenWindowsBack)
{
    QWidget window;
    auto delegate = launchedDelegate(window);
    delegate->applicationShouldHandleReopen(false);
    EXPECT_TRUE(window.isVisible());
    window.hide();
    delegate->applicationShouldHandleReopen(true);
    EXPECT_FALSE(window.isVisible()) << "windows on screen: nothing to bring back";
    EXPECT_FALSE(delegate->isAccessory());
}

TEST_F(AppShellTest, AConnectThatAsksForTheWindowBringsItBack)
{
    QWidget window;
    auto delegate = launchedDelegate(window);
    ASSERT_FALSE(window.isVisible());
    emit world.vpn.openMainWindowRequested();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(AppShellTest, AConnectThatAsksForTheWindowBringsTheMainOneBackFromTheTaskbar)
{
    // An alert titled like the main window comes first in the toolkit's list of windows.
    QWidget alert;
    alert.setWindowTitle(QStringLiteral("Velmorand"));
    alert.show();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Velmorand"));
    auto delegate = launchedDelegate(window);
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(window.isMinimized());
    emit world.vpn.openMainWindowRequested();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(AppShellTest, MenuCommandsFollowTheStateAndLanguage)
{
    QMenuBar bar;
    MenuCommands commands({world.vpn, *world.appState, settings()}, world.hub, &bar);
    EXPECT_EQ(commands.navigationMenu()->title(), QStringLiteral("导航"));
    EXPECT_EQ(commands.vpnMenu()->title(), QStringLiteral("VPN"));
    const QStringList shortcuts{QStringLiteral("Ctrl+1"), QStringLiteral("Ctrl+2"), QStringLiteral("Ctrl+3"),
                                QStringLiteral("Ctrl+4")};
    for (int tab = 0; tab < 4; ++tab)
        EXPECT_EQ(commands.navigationActions()[tab]->shortcut().toString(), shortcuts[tab]);
    EXPECT_EQ(commands.vpnAction()->shortcut().toString(), QStringLiteral("Ctrl+C"));
    EXPECT_EQ(commands.compactAction()->shortcut().toString(), QStringLiteral("Ctrl+Shift+T"));

    EXPECT_FALSE(commands.vpnAction()->isEnabled()) << "no nodes";
    world.appState->setNodes({world.node(1, QStringLiteral("offline")), world.node(2, QStringLiteral("Online"))});
    EXPECT_TRUE(commands.vpnAction()->isEnabled());
    commands.vpnAction()->trigger();
    EXPECT_TRUE(world.vpn.connects.isEmpty()) << "no node is exactly online";

    world.appState->setNodes({world.node(1, QStringLiteral("offline")), world.node(2), world.node(3)});
    world.vpn.setState(ConnectionState::connecting);
    commands.vpnAction()->trigger();
    ASSERT_EQ(world.vpn.connects.size(), 1);
    EXPECT_EQ(world.vpn.connects.first().id, 2);

    EXPECT_EQ(commands.vpnAction()->text(), QStringLiteral("连接 VPN"));
    world.vpn.setState(ConnectionState::connected);
    EXPECT_EQ(commands.vpnAction()->text(), QStringLiteral("断开连接"));
    commands.vpnAction()->trigger();
    EXPECT_EQ(world.vpn.disconnects, 1);

    EXPECT_EQ(commands.compactAction()->text(), QStringLiteral("紧凑模式"));
    commands.compactAction()->trigger();
    EXPECT_EQ(settings().boolValue(SettingsKeys::windowIsCompact), true);
    EXPECT_EQ(commands.compactAction()->text(), QStringLiteral("展开窗口"));

    LanguageScope english(world.language, AppLanguage::en);
    commands.retranslate();
    EXPECT_EQ(commands.navigationMenu()->title(), QStringLiteral("Navigation"));
    EXPECT_EQ(commands.navigationActions()[1]->text(), QStringLiteral("Nodes"));
    EXPECT_EQ(commands.vpnAction()->text(), QStringLiteral("Disconnect"));
    EXPECT_EQ(commands.vpnMenu()->title(), QStringLiteral("VPN"));
}

TEST_F(AppShellTest, ConnectionNoticesOnlyOnRealChanges)
{
    ConnectionNotices notices(world.vpn, settings(), world.notifier);
    settings().setValue(SettingsKeys::connectionNotifications, false);
    world.vpn.setState(ConnectionState::connected);
    EXPECT_TRUE(world.notifier.notices.isEmpty()) << "the setting is off";

    settings().setValue(SettingsKeys::connectionNotifications, true);
    world.vpn.setConnectedNode(world.node(4));
    world.vpn.setState(ConnectionState::connected);
    EXPECT_TRUE(world.notifier.notices.isEmpty()) << "the same state again";
    world.vpn.setState(ConnectionState::disconnecting);
    world.vpn.setState(ConnectionState::disconnected);
    world.vpn.setState(ConnectionState::disconnected);
    world.vpn.setState(ConnectionState::connecting);
    world.vpn.setState(ConnectionState::connected);
    ASSERT_EQ(world.notifier.notices.size(), 2);
    EXPECT_EQ(world.notifier.notices[0], qMakePair(QStringLiteral("Velmorand"), QStringLiteral("VPN 已断开")));
    EXPECT_EQ(world.notifier.notices[1], qMakePair(QStringLiteral("Velmorand"), QStringLiteral("已连接到 Node 4")));
}

TEST_F(AppShellTest, TheConnectionNoticeNamesTheNodeOnOneLine)
{
    ConnectionNotices notices(world.vpn, settings(), world.notifier);
    settings().setValue(SettingsKeys::connectionNotifications, true);
    Node node = world.node(4);
    node.name = QStringLiteral("\u202Eevil\u202C Tokyo\n<b>fake</b>\r\n\u2066line\u2069");
    world.vpn.setConnectedNode(node);
    world.vpn.setState(ConnectionState::connected);
    ASSERT_EQ(world.notifier.notices.size(), 1);
    // Markup is the desktop notifier's to escape; what reaches it is one line in reading order.
    EXPECT_EQ(world.notifier.notices[0].second, QStringLiteral("已连接到 evil Tokyo <b>fake</b> line"));
}

class VelmorandAppTest : public AppShellTest {
protected:
    VelmorandApp::Services appServices()
    {
        return {.connection = world.vpn,
                .appState = *world.appState,
                .languageManager = world.language,
                .theme = world.look.theme(),
                .settings = settings(),
                .hub = world.hub,
                .notifier = world.notifier,
                .startup = *world.startup,
                .contentServices = [this] { return world.contentServices(); },
                .makeDelegate = [this] { return std::make_unique<AppDelegate>(delegateServices()); },
                .checkForUpdate = [this] { ++updateChecks; },
                .discoverEndpoint = [this] { ++discoveries; }};
    }

    int updateChecks = 0;
    int discoveries = 0;
};

TEST_F(VelmorandAppTest, ALanguageChangeRebuildsTheContentWithoutRunningStartUpAgain)
{
    settings().setValue(SettingsKeys::connectionNotifications, true);
    VelmorandApp app(appServices());
    app.launch();
    app.launch();
    UiWorld::waitUntil([&] { return !world.appState->isLoading(); });
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(discoveries, 1);
    EXPECT_EQ(app.window()->windowTitle(), QStringLiteral("Velmorand"));
    EXPECT_EQ(app.window()->objectName(), QStringLiteral("main"));
    EXPECT_TRUE(world.notifier.notices.isEmpty()) << "no notice for the state the process starts in";

    world.signIn();
    settle();
    QPointer<ContentView> first = app.window()->content();
    ASSERT_EQ(first->face(), ContentView::Face::full);
    first->setSelectedTab(MainTab::settings);
    const int profileLoads = world.service.requestsTo(QStringLiteral("/api/user/profile")).size();

    {
        LanguageScope english(world.language, AppLanguage::en);
        settle();
        EXPECT_TRUE(first.isNull()) << "the old content is gone";
        auto* second = app.window()->content();
        ASSERT_TRUE(second);
        EXPECT_EQ(second->face(), ContentView::Face::full) << "no loading face again";
        EXPECT_EQ(second->selectedTab(), MainTab::dashboard) << "a fresh content";
        EXPECT_EQ(app.commands()->navigationMenu()->title(), QStringLiteral("Navigation"));
        saveScreenshot(*app.window(), QStringLiteral("window-full-en"));
    }
    settle();
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/user/profile")).size(), profileLoads);
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(discoveries, 1);
    EXPECT_TRUE(world.notifier.notices.isEmpty());

    // Two deliveries rebuild twice.
    QPointer<ContentView> before = app.window()->content();
    emit world.hub.languageChanged();
    settle();
    QPointer<ContentView> middle = app.window()->content();
    EXPECT_TRUE(before.isNull());
    emit world.hub.languageChanged();
    settle();
    EXPECT_TRUE(middle.isNull());
}

TEST_F(VelmorandAppTest, TheStatusItemSaysTheKillSwitchNoticeInANewLanguageAtOnce)
{
    VelmorandApp app(appServices());
    app.launch();
    auto* manager = app.delegate()->menuBarManager();
    ASSERT_TRUE(manager && manager->statusItem());
    // A lost connection's rules held: no speed refreshes the tooltip meanwhile.
    world.vpn.setState(ConnectionState::disconnected);
    world.vpn.setKillSwitchLoaded(true);
    settle();
    const auto notice = QStringLiteral("网络锁生效中，非 VPN 流量已被阻止");
    for (const auto language : {AppLanguage::en, AppLanguage::ja}) {
        LanguageScope scoped(world.language, language);
        settle();
        const auto said = i18n::tr(notice, language);
        ASSERT_NE(said, notice);
        EXPECT_TRUE(manager->statusItem()->toolTip().endsWith(QLatin1Char('\n') + said))
            << qPrintable(manager->statusItem()->toolTip());
    }
}

TEST_F(VelmorandAppTest, AWindowOpenedAgainLocksAgainWithoutStartUpWork)
{
    settings().setValue(SettingsKeys::touchIdEnabled, true);
    world.biometric.available = false;
    VelmorandApp app(appServices());
    app.launch();
    world.signIn();
    settle();
    auto* content = app.window()->content();
    ASSERT_EQ(content->face(), ContentView::Face::lock);
    content->lockView()->skipRequested();
    settle();
    ASSERT_EQ(app.window()->content()->face(), ContentView::Face::full);
    const int profileLoads = world.service.requestsTo(QStringLiteral("/api/user/profile")).size();

    app.window()->close();
    settle();
    EXPECT_EQ(app.window()->content()->face(), ContentView::Face::full) << "closing keeps the content";
    app.window()->show();
    settle();
    EXPECT_EQ(app.window()->content()->face(), ContentView::Face::lock);
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/user/profile")).size(), profileLoads);
    EXPECT_EQ(updateChecks, 1);
}

TEST_F(VelmorandAppTest, ControlDigitFromTheCompactWindowLandsOnTheTab)
{
    VelmorandApp app(appServices());
    app.launch();
    world.signIn();
    settings().setValue(SettingsKeys::windowIsCompact, true);
    settle();
    ASSERT_EQ(app.window()->content()->face(), ContentView::Face::compact);
    EXPECT_LE(app.window()->width(), 420) << "the window shrinks to the compact face";
    app.commands()->navigationActions()[3]->trigger();
    settle();
    EXPECT_EQ(app.window()->content()->face(), ContentView::Face::full);
    EXPECT_EQ(app.window()->content()->selectedTab(), MainTab::serverDashboard);
    EXPECT_GE(app.window()->width(), 700);
}

TEST_F(VelmorandAppTest, ANewcomerSignsInAndSeesTheMainWindow)
{
    VelmorandApp app(appServices());
    app.launch();
    UiWorld::waitUntil([&] { return app.window()->content()->face() == ContentView::Face::signIn; });
    const auto& account = world.service.state().account;
    auto* window = app.window();
    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("emailField")), account.email);
    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("passwordField")), account.password);
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("signInButton")), Qt::LeftButton);
    UiWorld::waitUntil([&] { return app.window()->content()->face() == ContentView::Face::full; });
    EXPECT_FALSE(world.appState->nodes().isEmpty());
    saveScreenshot(*window, QStringLiteral("window-signed-in-zh"));
}

TEST_F(VelmorandAppTest, CopyInATextFieldIsNotTheVpnCommand)
{
    VelmorandApp app(appServices());
    app.launch();
    UiWorld::waitUntil([&] { return app.window()->content()->face() == ContentView::Face::signIn; });
    world.appState->setNodes({world.node(1)});
    app.window()->activateWindow();
    auto* field = app.window()->findChild<QLineEdit*>(QStringLiteral("emailField"));
    ASSERT_TRUE(field);
    field->setFocus();
    field->setText(QStringLiteral("me@example.com"));
    field->selectAll();
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(world.vpn.connects.isEmpty());
}

} // namespace

TEST_F(VelmorandAppTest, LaunchLoadsTheApplicationsThatBypassTheTunnel)
{
    VelmorandApp app(appServices());
    EXPECT_EQ(world.vpn.splitTunnelLoads, 0);
    app.launch();
    EXPECT_EQ(world.vpn.splitTunnelLoads, 1);
}

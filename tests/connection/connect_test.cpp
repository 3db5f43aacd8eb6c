// Connect with its attempts and waits, disconnect, and connects and disconnects that overtake
// each other, over a fake core and recorded commands.
#include "engine_fixture.h"
#include "platform/settings_keys.h"
#include "support/event_waits.h"
#include "support/loopback_ports.h"
#include "support/qt_printers.h"
#include "support/table_row.h"
#include "support/vpn_manager_test_access.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

namespace {

const QStringList kProxiesOn{
    QStringLiteral("-setwebproxy Wi-Fi 127.0.0.1 1081"),
    QStringLiteral("-setsecurewebproxy Wi-Fi 127.0.0.1 1081"),
    QStringLiteral("-setsocksfirewallproxy Wi-Fi 127.0.0.1 1080"),
    QStringLiteral("-setwebproxystate Wi-Fi on"),
    QStringLiteral("-setsecurewebproxystate Wi-Fi on"),
    QStringLiteral("-setsocksfirewallproxystate Wi-Fi on"),
};
const QStringList kProxiesOff{
    QStringLiteral("-setwebproxystate Wi-Fi off"),
    QStringLiteral("-setsecurewebproxystate Wi-Fi off"),
    QStringLiteral("-setsocksfirewallproxystate Wi-Fi off"),
};

class ConnectTest : public EngineTest {
protected:
    // Every state the manager was set to, in order.
    QList<ConnectionState> states;
    QMetaObject::Connection recording
        = QObject::connect(manager.get(), &VpnManager::stateChanged, [this] { states.append(manager->state()); });
};

TEST_F(ConnectTest, AConnectStartsTheCorePointsTheProxiesAtItAndRecordsTheNode)
{
    QSignalSpy connectedNode(manager.get(), &VpnManager::nodeConnected);
    QSignalSpy windowRequests(manager.get(), &VpnManager::openMainWindowRequested);
    const auto tokyo = node(12, QStringLiteral("Tokyo 01"), QStringLiteral("JP3.nodes.example"));

    ASSERT_FALSE(connectTo(tokyo));

    EXPECT_EQ(states, (QList<ConnectionState>{ConnectionState::connecting, ConnectionState::connected}));
    EXPECT_EQ(manager->connectedNode()->id, 12);
    ASSERT_EQ(cores().size(), 1);
    EXPECT_TRUE(xray->isRunning());
    EXPECT_TRUE(manager->isProxyRunning());
    QFile config(core.options().configDir + QStringLiteral("/config.json"));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(config.readAll().contains("\"serverName\" : \"jp3.cdn.velmorand.net\""));
    EXPECT_EQ(networksetupCalls(), kProxiesOn);
    EXPECT_TRUE(manager->systemProxyEnabled());
    EXPECT_EQ(log(),
              (QList<Line>{{Type::info, QStringLiteral("xray 内核已启动,本地代理 127.0.0.1:1080"), std::nullopt},
                           {Type::connected, QStringLiteral("已连接到 Tokyo 01"), QStringLiteral("Tokyo 01")}}));
    EXPECT_EQ(core.settings.reopen()->intValue(SettingsKeys::lastConnectedNodeId), 12);
    EXPECT_EQ(
        activeTimers(),
        (QStringList{QStringLiteral("durationTimer"), QStringLiteral("healthTimer"), QStringLiteral("statsTimer")}));
    EXPECT_TRUE(admin.scripts.isEmpty()) << "the kill switch is off unless the user turned it on";

    // The recent-node hand-off follows once the connect has finished; no window is brought up.
    EXPECT_TRUE(connectedNode.isEmpty());
    waitFor([&] { return connectedNode.size() == 1; });
    EXPECT_EQ(connectedNode.first().first().toLongLong(), 12);
    // A window request would be queued right behind the hand-off.
    deliverPostedEvents();
    EXPECT_TRUE(windowRequests.isEmpty());
}

TEST_F(ConnectTest, TheServiceAndTheModeDecideTheLines)
{
    struct Case {
        QByteArray listing;
        VpnManager::ProxyMode mode;
        QStringList lines;
        QStringList commands;
    };
    const QString connected = QStringLiteral("已连接到 Test node");
    const QString core = QStringLiteral("xray 内核已启动,本地代理 127.0.0.1:1080");
    const QString tun = QStringLiteral("TUN 模式即将支持,当前使用本地代理模式");
    const QString local = QStringLiteral("本地代理: 127.0.0.1:1080");
    const Case cases[] = {
        {"", VpnManager::ProxyMode::socks, {core, connected}, {}},
        {"", VpnManager::ProxyMode::tun, {tun, local, connected}, {}},
        {"Wi-Fi\n", VpnManager::ProxyMode::tun, {tun, local, connected}, kProxiesOn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        listing = c.listing;
        manager = makeManager(timings());
        processes.clear();
        manager->setProxyMode(c.mode);
        ASSERT_FALSE(connectTo(testNode()));
        EXPECT_EQ(manager->state(), ConnectionState::connected);
        EXPECT_EQ(messages(), c.lines) << c.listing.constData();
        EXPECT_EQ(networksetupCalls(), c.commands) << c.listing.constData();
        EXPECT_EQ(manager->systemProxyEnabled(), !c.commands.isEmpty());
        xray->stop();
    }
}

TEST_F(ConnectTest, ProxiesCountAsOnOnlyWhenAllThreeSwitchesSucceeded)
{
    const QStringList switches{QStringLiteral("-setwebproxystate"), QStringLiteral("-setsecurewebproxystate"),
                               QStringLiteral("-setsocksfirewallproxystate")};
    for (const auto& failingSwitch : switches) {
        failing = QStringList{failingSwitch};
        manager = makeManager(timings());
        processes.clear();
        ASSERT_FALSE(connectTo(testNode()));
        EXPECT_EQ(manager->state(), ConnectionState::connected) << failingSwitch.toStdString();
        EXPECT_EQ(networksetupCalls(), kProxiesOn) << "every command still runs";
        EXPECT_FALSE(manager->systemProxyEnabled()) << failingSwitch.toStdString();
        xray->stop();
    }
    failing.clear();
    manager = makeManager(timings());
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_TRUE(manager->systemProxyEnabled()) << "all three succeeded";
}

TEST_F(ConnectTest, TheSameNodeAgainChangesNothingAnotherNodeSwitchesOver)
{
    ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
    const auto linesBefore = log();
    auto sameIdOtherFields = node(1, QStringLiteral("Renamed"), QStringLiteral("198.51.100.9"));
    ASSERT_FALSE(connectTo(sameIdOtherFields));
    EXPECT_EQ(log(), linesBefore);
    EXPECT_EQ(cores().size(), 1);

    clock += 65;
    waitFor([&] { return manager->connectionDuration() >= 65; });
    states.clear();
    ASSERT_FALSE(connectTo(node(2, QStringLiteral("Seoul"))));
    EXPECT_EQ(states,
              (QList<ConnectionState>{ConnectionState::disconnecting, ConnectionState::disconnected,
                                      ConnectionState::connecting, ConnectionState::connected}));
    EXPECT_EQ(
        log().mid(linesBefore.size()),
        (QList<Line>{{Type::info, QStringLiteral("切换节点: Tokyo → Seoul"), std::nullopt},
                     {Type::info, QStringLiteral("系统代理已自动关闭"), std::nullopt},
                     {Type::disconnected, QStringLiteral("从 Tokyo 断开(连接时长 01:05)"), QStringLiteral("Tokyo")},
                     {Type::info, QStringLiteral("xray 内核已启动,本地代理 127.0.0.1:1080"), std::nullopt},
                     {Type::connected, QStringLiteral("已连接到 Seoul"), QStringLiteral("Seoul")}}));
    ASSERT_EQ(cores().size(), 2);
    EXPECT_FALSE(cores().first().record->running);
    EXPECT_EQ(manager->connectedNode()->id, 2);
}

TEST_F(ConnectTest, ACoreThatNeverStartsIsTriedThreeTimesWithGrowingWaits)
{
    QFile::remove(core.resources.filePath(QStringLiteral("xray")));
    const auto error = connectTo(testNode());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(), QStringLiteral("SOCKS5 代理启动失败: 1"));
    const Line coreError{Type::error, QStringLiteral("代理内核启动失败: 未找到 xray 内核 (请重新安装 Velmorand)"),
                         std::nullopt};
    EXPECT_EQ(log(),
              (QList<Line>{coreError,
                           {Type::warning, QStringLiteral("连接失败,1秒后重试(1/3)"), std::nullopt},
                           coreError,
                           {Type::warning, QStringLiteral("连接失败,2秒后重试(2/3)"), std::nullopt},
                           coreError,
                           {Type::error, QStringLiteral("连接失败:已达到最大重试次数"), std::nullopt}}));
    EXPECT_EQ(states.count(ConnectionState::connecting), 3);
    EXPECT_EQ(states.last(), ConnectionState::disconnected);
    EXPECT_FALSE(manager->connectedNode());
    EXPECT_TRUE(networksetupCalls().isEmpty()) << "nothing to tear down after attempts that never got a core";
    EXPECT_TRUE(activeTimers().isEmpty());
}

TEST_F(ConnectTest, TheWaitsBetweenAttemptsGrow)
{
    QFile::remove(core.resources.filePath(QStringLiteral("xray")));
    useTimings([](VpnTimings& t) { t.retryWaitUnit = std::chrono::milliseconds(150); });
    QElapsedTimer elapsed;
    QList<qint64> attemptTimes;
    QObject::connect(manager.get(), &VpnManager::stateChanged, [&] {
        if (manager->state() == ConnectionState::connecting)
            attemptTimes.append(elapsed.elapsed());
    });
    elapsed.start();
    ASSERT_TRUE(connectTo(testNode()));
    ASSERT_EQ(attemptTimes.size(), 3);
    // Timers may fire a little early; the waits are one and two units.
    const auto first = attemptTimes[1] - attemptTimes[0];
    const auto second = attemptTimes[2] - attemptTimes[1];
    EXPECT_GE(first, 135) << "one unit after the first failure";
    EXPECT_GE(second, 270) << "two units after the second";
    EXPECT_GT(second, first);
}

TEST_F(ConnectTest, DisconnectStopsEverythingInOrderAndLogsTheDuration)
{
    ASSERT_FALSE(connectTo(node(3, QStringLiteral("Osaka"))));
    clock += 3725;
    waitFor([&] { return manager->connectionDuration() >= 3725; });
    processes.clear();
    states.clear();
    socksState = "Enabled: No\nServer: 127.0.0.1\nPort: 1080\n";

    QCoro::waitFor(manager->disconnect());

    EXPECT_EQ(states, (QList<ConnectionState>{ConnectionState::disconnecting, ConnectionState::disconnected}));
    EXPECT_FALSE(xray->isRunning());
    EXPECT_FALSE(cores().last().record->running);
    EXPECT_EQ(networksetupCalls(), kProxiesOff);
    EXPECT_FALSE(manager->systemProxyEnabled());
    EXPECT_FALSE(manager->isProxyRunning());
    EXPECT_FALSE(manager->connectedNode());
    EXPECT_EQ(manager->connectionDuration(), 0.0);
    EXPECT_TRUE(activeTimers().isEmpty());
    EXPECT_EQ(log().mid(log().size() - 2),
              (QList<Line>{
                  {Type::info, QStringLiteral("系统代理已自动关闭"), std::nullopt},
                  {Type::disconnected, QStringLiteral("从 Osaka 断开(连接时长 1:02:05)"), QStringLiteral("Osaka")}}));

    // The SOCKS state is read back shortly after.
    waitFor([&] {
        return processes.commandLines().contains(QStringLiteral("/usr/sbin/networksetup -getsocksfirewallproxy Wi-Fi"));
    });
    EXPECT_FALSE(manager->systemProxyEnabled());

    // A second disconnect does nothing.
    const auto lines = log().size();
    processes.clear();
    QCoro::waitFor(manager->disconnect());
    EXPECT_EQ(log().size(), lines);
    EXPECT_TRUE(processes.requests().isEmpty());
}

TEST_F(ConnectTest, DisconnectLinesFollowTheModeAndTheCommandsResult)
{
    struct Case {
        VpnManager::ProxyMode mode;
        bool commandsFail;
        Line line;
    };
    const Case cases[] = {
        {VpnManager::ProxyMode::socks,
         true,
         {Type::warning, QStringLiteral("系统代理未清除,请手动关闭 (无免密权限)"), std::nullopt}},
        {VpnManager::ProxyMode::tun, true, {Type::info, QStringLiteral("本地代理已关闭"), std::nullopt}},
        {VpnManager::ProxyMode::tun, false, {Type::info, QStringLiteral("本地代理已关闭"), std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        failing.clear();
        manager->setProxyMode(c.mode);
        ASSERT_FALSE(connectTo(testNode()));
        if (c.commandsFail)
            failing = QStringList{QStringLiteral("-setsocksfirewallproxystate")};
        QCoro::waitFor(manager->disconnect());
        const auto lines = log();
        EXPECT_EQ(lines[lines.size() - 2], c.line);
        EXPECT_EQ(lines.last(),
                  (Line{Type::disconnected, QStringLiteral("从 Test node 断开"), QStringLiteral("Test node")}))
            << "no duration suffix right after connecting";
    }
}

TEST_F(ConnectTest, TheMainWindowComesUpAfterAConnectOnlyWhenAsked)
{
    core.settings.store->setValue(SettingsKeys::openOnConnect, true);
    QSignalSpy windowRequests(manager.get(), &VpnManager::openMainWindowRequested);
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_TRUE(windowRequests.isEmpty()) << "only after the connect has finished";
    waitFor([&] { return windowRequests.size() == 1; });
}

TEST_F(ConnectTest, ADisconnectWhileTheProxiesAreBeingSetWins)
{
    // The connect waits while "-setwebproxystate … on" runs.
    processes.hold([](const ProcessRequest& r) {
        return r.arguments.contains(QStringLiteral("-setwebproxystate")) && r.arguments.contains(QStringLiteral("on"));
    });
    auto task = manager->connectTo(testNode());
    waitFor([&] { return processes.waiting() == 1; });
    EXPECT_EQ(manager->state(), ConnectionState::connecting);

    auto disconnecting = manager->disconnect();
    EXPECT_EQ(manager->state(), ConnectionState::disconnecting) << "the proxies go off after the command under way";
    EXPECT_FALSE(xray->isRunning());
    processes.release();
    QCoro::waitFor(std::move(disconnecting));
    EXPECT_FALSE(failureOf<VpnError>(std::move(task)));

    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_FALSE(manager->connectedNode());
    EXPECT_FALSE(manager->systemProxyEnabled());
    EXPECT_TRUE(activeTimers().isEmpty());
    EXPECT_FALSE(messages().contains(QStringLiteral("已连接到 Test node")));
    // The late "on" was followed by the proxies switched off once more, and nothing after.
    const auto calls = networksetupCalls();
    EXPECT_EQ(calls.mid(calls.size() - 3), kProxiesOff);
    EXPECT_FALSE(calls.contains(QStringLiteral("-setsocksfirewallproxystate Wi-Fi on")));
}

TEST_F(ConnectTest, ASecondConnectWhileTheFirstIsUnderWayDecides)
{
    QSignalSpy connectedNode(manager.get(), &VpnManager::nodeConnected);
    processes.hold([](const ProcessRequest& r) { return r.arguments.contains(QStringLiteral("-setsecurewebproxy")); });
    auto first = manager->connectTo(node(1, QStringLiteral("Tokyo")));
    waitFor([&] { return processes.waiting() == 1; });

    auto second = manager->connectTo(node(2, QStringLiteral("Seoul")));
    processes.release();
    EXPECT_FALSE(failureOf<VpnError>(std::move(second)));
    EXPECT_FALSE(failureOf<VpnError>(std::move(first)));

    EXPECT_EQ(manager->state(), ConnectionState::connected);
    EXPECT_EQ(manager->connectedNode()->id, 2);
    EXPECT_EQ(core.settings.reopen()->intValue(SettingsKeys::lastConnectedNodeId), 2);
    EXPECT_TRUE(xray->isRunning());
    ASSERT_EQ(cores().size(), 2);
    EXPECT_FALSE(cores().first().record->running);
    EXPECT_EQ(messages().filter(QStringLiteral("已连接到")), QStringList{QStringLiteral("已连接到 Seoul")});
    EXPECT_EQ(activeTimers().size(), 3);
    waitFor([&] { return connectedNode.size() == 1; });
    // The first connect's hand-off would have been queued before the second's.
    deliverPostedEvents();
    EXPECT_EQ(connectedNode.size(), 1);
    EXPECT_EQ(connectedNode.first().first().toLongLong(), 2);
}

TEST_F(ConnectTest, ADisconnectDuringTheWaitBeforeARetryEndsTheConnect)
{
    QFile::remove(core.resources.filePath(QStringLiteral("xray")));
    useTimings([](VpnTimings& t) { t.retryWaitUnit = std::chrono::milliseconds(200); });
    auto task = manager->connectTo(testNode());
    EXPECT_EQ(manager->state(), ConnectionState::disconnected) << "the first attempt failed; the connect waits";
    QCoro::waitFor(manager->disconnect());
    EXPECT_FALSE(failureOf<VpnError>(std::move(task)));
    EXPECT_EQ(messages().filter(QStringLiteral("代理内核启动失败")).size(), 1) << "no further attempt";
    EXPECT_FALSE(messages().contains(QStringLiteral("连接失败:已达到最大重试次数")));
}

TEST_F(ConnectTest, ADisconnectWhileTheCoreStartsEndsTheConnect)
{
    // The core never accepts on its port, so the start waits.
    auto options = core.options();
    options.listenPorts = {closedLoopbackPort()};
    options.readyTimeout = std::chrono::milliseconds(10000);
    xray = core.make(options);
    manager = makeManager(timings());
    auto task = manager->connectTo(testNode());
    waitFor([&] { return cores().size() == 1; });
    QCoro::waitFor(manager->disconnect());
    EXPECT_FALSE(failureOf<VpnError>(std::move(task)));
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_FALSE(cores().first().record->running);
    EXPECT_TRUE(messages().filter(QStringLiteral("代理内核启动失败")).isEmpty()) << "being stopped is no start failure";
    EXPECT_TRUE(networksetupCalls().filter(QStringLiteral(" on")).isEmpty());
}

TEST_F(ConnectTest, QuittingWhileConnectingStopsTheCore)
{
    processes.hold([](const ProcessRequest& r) { return r.arguments.contains(QStringLiteral("-setwebproxy")); });
    auto task = manager->connectTo(testNode());
    waitFor([&] { return processes.waiting() == 1; });
    ASSERT_TRUE(cores().first().record->running);

    // The command under way ends while quitting waits.
    QTimer::singleShot(50, [this] { processes.release(); });
    inside(*manager).prepareForQuit();
    EXPECT_FALSE(cores().first().record->running);
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_FALSE(failureOf<VpnError>(std::move(task)));
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_TRUE(activeTimers().isEmpty());
    const auto calls = networksetupCalls();
    EXPECT_EQ(calls.mid(calls.size() - 3), kProxiesOff);
}

TEST_F(ConnectTest, TheLaunchCleanUpRunsOffTheWindowsThreadAndYieldsToAConnect)
{
    socksState = "Enabled: Yes\nServer: 127.0.0.1\nPort: 1080\n";
    published(*manager).setSystemProxyEnabled(true);
    processes.hold([](const ProcessRequest& request) {
        return request.arguments.value(0) == QLatin1String("-getsocksfirewallproxy");
    });
    auto first = manager->clearLeftoverSystemProxy();
    waitFor([&] { return processes.waiting() == 1; });
    EXPECT_FALSE(first.isReady()) << "the window's thread goes on while the command runs";
    processes.release();
    QCoro::waitFor(std::move(first));
    EXPECT_EQ(networksetupCalls(), QStringList{QStringLiteral("-setsocksfirewallproxystate Wi-Fi off")});
    EXPECT_FALSE(manager->systemProxyEnabled());

    // A connect that begins while the clean-up reads leaves it nothing to switch off.
    processes.clear();
    processes.hold([](const ProcessRequest& request) {
        return request.arguments.value(0) == QLatin1String("-getsocksfirewallproxy");
    });
    auto second = manager->clearLeftoverSystemProxy();
    waitFor([&] { return processes.waiting() == 1; });
    auto connecting = manager->connectTo(testNode());
    processes.release();
    ASSERT_FALSE(failureOf<VpnError>(std::move(connecting)));
    QCoro::waitFor(std::move(second));
    EXPECT_EQ(networksetupCalls(), kProxiesOn);
    EXPECT_TRUE(manager->systemProxyEnabled());
}

} // namespace

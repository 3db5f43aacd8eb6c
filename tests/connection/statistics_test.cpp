// Statistics, the connection time, the health check and the automatic reconnect, over a fake
// core whose counters and death the test decides.
#include "connection/packet_filter_scripts.h"
#include "engine_fixture.h"
#include "platform/settings_keys.h"
#include "support/event_waits.h"
#include "support/qt_printers.h"
#include "support/vpn_manager_test_access.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>

namespace {

class StatisticsTest : public EngineTest {
protected:
    // Timers that never fire on their own: the test samples by hand.
    void useHandSampling()
    {
        useTimings(
            [](VpnTimings& t) { t.statsInterval = t.durationInterval = t.healthInterval = std::chrono::hours(1); });
    }

    void setCounters(qint64 down, qint64 up)
    {
        xray->parseTraffic(QStringLiteral("core %1 B %2 B\n").arg(down).arg(up));
    }

    void sampleAt(double seconds, qint64 down, qint64 up)
    {
        clock = seconds;
        setCounters(down, up);
        inside(*manager).refreshStats();
    }

    QList<ConnectionState> states;
};

TEST_F(StatisticsTest, SpeedsAreBytesPerSecondSinceThePreviousSample)
{
    useHandSampling();
    clock = 100;
    ASSERT_FALSE(connectTo(testNode()));

    // The first sample measures from the connect.
    sampleAt(100.5, 1000000, 4000);
    EXPECT_EQ(manager->trafficSpeedDown(), 2000000);
    EXPECT_EQ(manager->trafficSpeedUp(), 8000);
    EXPECT_EQ(manager->trafficDown(), 1000000);
    EXPECT_EQ(manager->trafficUp(), 4000);

    sampleAt(100.503, 2000000, 4000);
    EXPECT_EQ(manager->trafficSpeedDown(), 333333333) << "division by 0.003, truncated";
    EXPECT_EQ(manager->trafficSpeedUp(), 0);

    sampleAt(100.503, 2000010, 4000);
    EXPECT_EQ(manager->trafficSpeedDown(), 10000) << "the same instant divides by 0.001";

    // Counters set back (a restarted core) give no negative speed.
    sampleAt(101.503, 500, 10);
    EXPECT_EQ(manager->trafficSpeedDown(), 0);
    EXPECT_EQ(manager->trafficSpeedUp(), 0);
    EXPECT_EQ(manager->trafficDown(), 500);

    EXPECT_EQ(manager->trafficHistoryDown(), (QList<qint64>{2000000, 333333333, 10000, 0}));
    EXPECT_EQ(manager->trafficHistoryUp(), (QList<qint64>{8000, 0, 0, 0}));
}

TEST_F(StatisticsTest, EachHistoryKeepsTheLastSixtySpeeds)
{
    useHandSampling();
    clock = 0;
    ASSERT_FALSE(connectTo(testNode()));
    for (int i = 1; i <= 61; ++i)
        sampleAt(i, qint64(i) * i, 0);
    const auto history = manager->trafficHistoryDown();
    ASSERT_EQ(history.size(), 60);
    EXPECT_EQ(history.first(), 3) << "the first sample (1) is gone; the second was 4 - 1";
    EXPECT_EQ(history.last(), 61 * 61 - 60 * 60);
    EXPECT_EQ(manager->trafficHistoryUp().size(), 60);
}

TEST_F(StatisticsTest, AStoppedCoreLeavesTheFiguresAsTheyWere)
{
    useHandSampling();
    clock = 10;
    ASSERT_FALSE(connectTo(testNode()));
    sampleAt(11, 5000, 100);
    killCore();
    QSignalSpy changes(manager.get(), &VpnManager::trafficSpeedDownChanged);
    sampleAt(12, 9000, 100);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(manager->trafficDown(), 5000);
    EXPECT_EQ(manager->trafficSpeedDown(), 5000);
}

TEST_F(StatisticsTest, AConnectResetsTheFiguresAndTheTimersKeepThemGoing)
{
    published(*manager).setTrafficDown(77);
    published(*manager).setTrafficHistoryDown({1, 2, 3});
    clock = 500;
    ASSERT_FALSE(connectTo(testNode()));
    EXPECT_EQ(manager->trafficDown(), 0);
    EXPECT_TRUE(manager->trafficHistoryDown().isEmpty());

    setCounters(4096, 1024);
    clock = 502;
    waitFor([&] { return manager->trafficDown() == 4096 && manager->connectionDuration() == 2.0; });
    EXPECT_EQ(manager->trafficUp(), 1024);
    EXPECT_FALSE(manager->trafficHistoryDown().isEmpty());
}

TEST_F(StatisticsTest, ADeadCoreIsReplacedAutomatically)
{
    const auto osaka = node(5, QStringLiteral("Osaka"));
    ASSERT_FALSE(connectTo(osaka));
    QObject::connect(manager.get(), &VpnManager::stateChanged, [this] { states.append(manager->state()); });
    const auto linesBefore = log().size();

    killCore();
    waitFor([&] { return cores().size() == 2 && manager->state() == ConnectionState::connected; });

    EXPECT_EQ(states,
              (QList<ConnectionState>{ConnectionState::disconnected, ConnectionState::connecting,
                                      ConnectionState::connected}));
    EXPECT_EQ(log().value(linesBefore),
              (Line{Type::warning, QStringLiteral("检测到连接断开,正在重连(1/5)"), QStringLiteral("Osaka")}));
    EXPECT_EQ(log().last(), (Line{Type::connected, QStringLiteral("已连接到 Osaka"), QStringLiteral("Osaka")}));
    EXPECT_TRUE(xray->isRunning());
    EXPECT_EQ(manager->connectedNode()->id, 5);
    EXPECT_EQ(
        activeTimers(),
        (QStringList{QStringLiteral("durationTimer"), QStringLiteral("healthTimer"), QStringLiteral("statsTimer")}))
        << "one set of timers";
    EXPECT_EQ(manager->findChildren<QTimer*>(QStringLiteral("statsTimer")).size(), 1);
}

TEST_F(StatisticsTest, GivingUpAfterFiveReconnectsTearsTheConnectionDown)
{
    // Every core dies right after it starts, before a health tick can see it running.
    core.launcher.configure = [](FakeChildProcess& child) {
        child.onStart
            = [](FakeChildProcess& started) { QTimer::singleShot(0, &started, [&started] { started.end(); }); };
    };
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(testNode()));
    ASSERT_TRUE(manager->killSwitchEnabled());

    waitFor([&] { return messages().contains(QStringLiteral("连接已断开,自动重连失败")); }, 10000);
    EXPECT_EQ(
        messages().filter(QStringLiteral("检测到连接断开,正在重连(")),
        (QStringList{QStringLiteral("检测到连接断开,正在重连(1/5)"), QStringLiteral("检测到连接断开,正在重连(2/5)"),
                     QStringLiteral("检测到连接断开,正在重连(3/5)"), QStringLiteral("检测到连接断开,正在重连(4/5)"),
                     QStringLiteral("检测到连接断开,正在重连(5/5)")}));
    EXPECT_EQ(log().last(), (Line{Type::error, QStringLiteral("连接已断开,自动重连失败"), std::nullopt}));
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_FALSE(manager->connectedNode());
    // Nothing is left behind: proxies off, kill switch released, no timers.
    const auto calls = networksetupCalls();
    EXPECT_EQ(
        calls.mid(calls.size() - 3),
        (QStringList{QStringLiteral("-setwebproxystate Wi-Fi off"), QStringLiteral("-setsecurewebproxystate Wi-Fi off"),
                     QStringLiteral("-setsocksfirewallproxystate Wi-Fi off")}));
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(admin.scripts.last(), PacketFilterScripts::splitAndKillSwitchStop());
    EXPECT_TRUE(activeTimers().isEmpty());
    const auto started = cores().size();
    // A further reconnect would follow a health check and a pause.
    waitPastTimers(timings().healthInterval + timings().reconnectPause);
    EXPECT_EQ(cores().size(), started) << "no further reconnect";
    EXPECT_EQ(core.settings.reopen()->boolValue(SettingsKeys::killSwitchEnabled), true) << "the user's choice stays";
}

TEST_F(StatisticsTest, GivingUpLeavesTheConnectedStateBeforeItsCommandsAndRunsOnce)
{
    core.launcher.configure = [](FakeChildProcess& child) {
        child.onStart
            = [](FakeChildProcess& started) { QTimer::singleShot(0, &started, [&started] { started.end(); }); };
    };
    ASSERT_FALSE(connectTo(testNode()));
    // The give-up's first privileged command waits at the gate.
    processes.hold([](const ProcessRequest& request) {
        return request.program == QLatin1String("/usr/bin/sudo")
            && request.arguments.value(2) == QLatin1String("-setwebproxystate")
            && request.arguments.last() == QLatin1String("off");
    });
    waitFor([&] { return processes.waiting() == 1; }, 10000);

    EXPECT_EQ(manager->state(), ConnectionState::disconnecting) << "no screen shows a dead core connected";
    // Health ticks while the commands run start nothing: no second tear-down.
    QSignalSpy secondTearDown(manager.get(), &VpnManager::systemProxyEnabledChanged);
    auto* health = manager->findChild<QTimer*>(QStringLiteral("healthTimer"));
    ASSERT_TRUE(health);
    QSignalSpy ticks(health, &QTimer::timeout);
    waitFor([&] { return ticks.size() >= 3; });
    EXPECT_TRUE(secondTearDown.isEmpty());

    processes.release();
    waitFor([&] { return messages().contains(QStringLiteral("连接已断开,自动重连失败")); });
    waitFor([&] { return activeTimers().isEmpty(); });
    EXPECT_EQ(messages().filter(QStringLiteral("连接已断开,自动重连失败")).size(), 1);
    EXPECT_EQ(networksetupCalls().filter(QStringLiteral("-setwebproxystate Wi-Fi off")).size(), 1);
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
}

TEST_F(StatisticsTest, ARestartForANewRoutingModeIsNoLostConnection)
{
    // Each core listens on the port as it starts, while the test lets it, and leaves it as it ends.
    QTcpServer corePort;
    ASSERT_TRUE(corePort.listen(QHostAddress::LocalHost));
    const auto port = corePort.serverPort();
    corePort.close();
    bool coresListen = true;
    const auto coreProgram = core.resources.filePath(QStringLiteral("xray"));
    core.launcher.configure = [&](FakeChildProcess& child) {
        if (child.request.program != coreProgram)
            return; // the traffic monitor
        child.onStart = [&](FakeChildProcess&) {
            if (coresListen)
                corePort.listen(QHostAddress::LocalHost, port);
        };
        QObject::connect(&child, &ChildProcess::finished, &corePort, [&corePort] { corePort.close(); });
    };
    auto options = core.options();
    options.listenPorts = {port};
    manager.reset();
    xray = core.make(options);
    manager = makeManager(timings());
    ASSERT_FALSE(connectTo(node(5, QStringLiteral("Osaka"))));
    QObject::connect(manager.get(), &VpnManager::stateChanged, [this] { states.append(manager->state()); });
    const auto linesBefore = messages();

    coresListen = false;
    auto restart = xray->setMode(QStringLiteral("global"));
    ASSERT_TRUE(xray->isStarting());
    QSignalSpy ticks(manager->findChild<QTimer*>(QStringLiteral("healthTimer")), &QTimer::timeout);
    waitFor([&] { return ticks.size() >= 3; });
    EXPECT_EQ(messages(), linesBefore) << "no reconnect while the core restarts";
    EXPECT_TRUE(states.isEmpty());

    ASSERT_TRUE(corePort.listen(QHostAddress::LocalHost, port));
    waitFor([&] { return xray->isRunning(); });
    const auto ticked = ticks.size();
    waitFor([&] { return ticks.size() > ticked; });
    EXPECT_EQ(messages(), linesBefore);
    EXPECT_EQ(manager->state(), ConnectionState::connected);
    EXPECT_EQ(cores().size(), 2) << "the mode's restart only";
    manager.reset();
    xray.reset();
}

TEST_F(StatisticsTest, AFailedReconnectTearsTheConnectionDown)
{
    ASSERT_FALSE(connectTo(testNode()));
    // From now on the core cannot be launched.
    core.launcher.configure = [](FakeChildProcess& child) { child.startSucceeds = false; };
    killCore();
    waitFor([&] { return messages().filter(QStringLiteral("重连失败: ")).size() == 1; });
    EXPECT_EQ(log().last(), (Line{Type::error, QStringLiteral("重连失败: SOCKS5 代理启动失败: 1"), std::nullopt}));
    EXPECT_EQ(messages().filter(QStringLiteral("代理内核启动失败: ")).size(), 3);
    EXPECT_TRUE(messages().contains(QStringLiteral("系统代理已自动关闭")));
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_TRUE(activeTimers().isEmpty());
    EXPECT_FALSE(manager->systemProxyEnabled());
    EXPECT_EQ(networksetupCalls().last(), QStringLiteral("-setsocksfirewallproxystate Wi-Fi off"));
}

TEST_F(StatisticsTest, WithoutAutoReconnectADeadCoreIsOnlyReported)
{
    manager->setAutoReconnectEnabled(false);
    ASSERT_FALSE(connectTo(testNode()));
    killCore();
    waitFor([&] { return messages().filter(QStringLiteral("隧道连接已断开")).size() >= 3; });
    EXPECT_EQ(manager->state(), ConnectionState::connected);
    EXPECT_EQ(cores().size(), 1);
    EXPECT_EQ(log().last(), (Line{Type::error, QStringLiteral("隧道连接已断开"), std::nullopt}));
}

TEST_F(StatisticsTest, ADisconnectDuringTheReconnectPauseEndsIt)
{
    constexpr auto pause = std::chrono::milliseconds(300);
    useTimings([pause](VpnTimings& t) { t.reconnectPause = pause; });
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    ASSERT_FALSE(connectTo(testNode()));
    killCore();
    waitFor([&] { return messages().contains(QStringLiteral("检测到连接断开,正在重连(1/5)")); });
    ASSERT_EQ(manager->state(), ConnectionState::disconnected);

    QCoro::waitFor(manager->disconnect());
    EXPECT_TRUE(activeTimers().isEmpty());
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(networksetupCalls().last(), QStringLiteral("-setsocksfirewallproxystate Wi-Fi off"));
    EXPECT_EQ(log().last(), (Line{Type::disconnected, QStringLiteral("已断开"), std::nullopt}));
    waitPastTimers(pause);
    EXPECT_EQ(cores().size(), 1) << "the reconnect did not happen";
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
}

TEST_F(StatisticsTest, AConnectDuringTheReconnectPauseLeavesTheHealthCheckWatching)
{
    useTimings([](VpnTimings& t) { t.reconnectPause = std::chrono::milliseconds(300); });
    const auto osaka = node(5, QStringLiteral("Osaka"));
    ASSERT_FALSE(connectTo(osaka));
    killCore();
    waitFor([&] { return messages().contains(QStringLiteral("检测到连接断开,正在重连(1/5)")); });
    ASSERT_EQ(manager->state(), ConnectionState::disconnected);

    // The user connects during the pause, and then that core dies too.
    ASSERT_FALSE(connectTo(osaka));
    ASSERT_EQ(cores().size(), 2);
    killCore();
    waitFor([&] { return cores().size() == 3 && manager->state() == ConnectionState::connected; });
    EXPECT_EQ(messages().filter(QStringLiteral("检测到连接断开,正在重连(")).size(), 2);
    EXPECT_EQ(log().last(), (Line{Type::connected, QStringLiteral("已连接到 Osaka"), QStringLiteral("Osaka")}));
}

TEST_F(StatisticsTest, EachOutageStartsItsReconnectsAtOne)
{
    ASSERT_FALSE(connectTo(node(5, QStringLiteral("Osaka"))));
    for (int outage = 1; outage <= 2; ++outage) {
        killCore();
        waitFor([&] { return cores().size() == outage + 1 && manager->state() == ConnectionState::connected; });
        // A health tick sees the new core running.
        QSignalSpy healthTick(manager->findChild<QTimer*>(QStringLiteral("healthTimer")), &QTimer::timeout);
        ASSERT_TRUE(healthTick.wait(2000));
    }
    EXPECT_EQ(
        messages().filter(QStringLiteral("检测到连接断开,正在重连(")),
        (QStringList{QStringLiteral("检测到连接断开,正在重连(1/5)"), QStringLiteral("检测到连接断开,正在重连(1/5)")}));
}

TEST_F(StatisticsTest, StopTimersStopsAllThree)
{
    ASSERT_FALSE(connectTo(testNode()));
    manager->stopTimers();
    EXPECT_TRUE(activeTimers().isEmpty());
    EXPECT_EQ(manager->state(), ConnectionState::connected);
}

} // namespace

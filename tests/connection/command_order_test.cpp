// The connection's system commands run off the window's thread, in the order they were asked
// for, and quitting waits for the tear-down: held commands show what the window's thread does
// meanwhile.
#include "connection/packet_filter_scripts.h"
#include "engine_fixture.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSemaphore>

#include <atomic>

namespace {

// Runs a task to its end, whatever it gives.
template <typename T>
QCoro::Task<> ignoringResult(QCoro::Task<T> task)
{
    co_await std::move(task);
}

bool isCommand(const ProcessRequest& request, const QString& program, const QString& argument)
{
    return request.program == program && request.arguments.contains(argument);
}

bool isSudo(const ProcessRequest& request, const QString& argument)
{
    return isCommand(request, QStringLiteral("/usr/bin/sudo"), argument);
}

class CommandOrderTest : public EngineTest {
protected:
    // Administrator scripts wait in their thread until let go.
    // Only while no script runs: the handler is not replaced under a running script.
    void holdScripts()
    {
        holding = true;
        admin.handler = [this](const QString&) {
            if (holding) {
                ++scriptsWaiting;
                scriptGate.acquire();
                --scriptsWaiting;
            }
            return AdminScriptResult{true, {}, {}};
        };
    }
    void releaseScripts()
    {
        holding = false;
        scriptGate.release(scriptsWaiting);
    }

    // The event loop of the window's thread still runs.
    static void expectTheEventLoopRuns()
    {
        bool fired = false;
        QTimer::singleShot(0, [&fired] { fired = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, 2000));
    }

    QSemaphore scriptGate;
    std::atomic<bool> holding{false};
    std::atomic<int> scriptsWaiting{0};
};

TEST_F(CommandOrderTest, TheWindowsThreadGoesOnWhileACommandRuns)
{
    struct Case {
        const char* operation;
        std::function<bool(const ProcessRequest&)> holds;
        std::function<QCoro::Task<>(VpnManager&)> start;
    };
    const Case cases[] = {
        {"disconnect", [](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setwebproxystate")); },
         [](VpnManager& m) { return m.disconnect(); }},
        {"system proxy", [](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setsocksfirewallproxy")); },
         [](VpnManager& m) { return m.setSystemProxy(true); }},
        {"clean-up", [](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setsocksfirewallproxystate")); },
         [](VpnManager& m) { return ignoringResult(m.cleanupSystemConfig(false)); }},
        {"proxy read-back",
         [](const ProcessRequest& r) { return r.arguments.value(0) == QLatin1String("-getsocksfirewallproxy"); },
         [](VpnManager& m) { return ignoringResult(inside(m).checkProxyState(QStringLiteral("Wi-Fi"), 1080)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        manager = makeManager(timings());
        ASSERT_FALSE(connectTo(testNode()));
        processes.hold(c.holds);
        auto task = c.start(*manager);
        waitFor([&] { return processes.waiting() == 1; });
        expectTheEventLoopRuns();
        EXPECT_FALSE(task.isReady()) << "awaits the command";
        processes.release();
        QCoro::waitFor(std::move(task));
        xray->stop();
    }

    // The administrator scripts, whose prompt may wait for the user: the kill switch's and the
    // programs let out past it.
    struct ScriptCase {
        const char* operation;
        std::function<QCoro::Task<>(VpnManager&)> start;
        bool killSwitchAfter;
    };
    const ScriptCase scriptCases[] = {
        {"kill switch on", [](VpnManager& m) { return m.enableKillSwitch(); }, true},
        {"application rules",
         [](VpnManager& m) { return m.addSplitTunnelApp(QStringLiteral("/Applications/Mail.app")); }, true},
        {"kill switch off", [](VpnManager& m) { return m.disableKillSwitch(); }, false},
    };
    manager = makeManager(timings());
    ASSERT_FALSE(connectTo(testNode()));
    for (const auto& c : scriptCases) {
        SCOPED_TRACE(c.operation);
        holdScripts();
        auto task = c.start(*manager);
        waitFor([&] { return scriptsWaiting == 1; });
        expectTheEventLoopRuns();
        EXPECT_FALSE(task.isReady());
        releaseScripts();
        QCoro::waitFor(std::move(task));
        EXPECT_EQ(manager->killSwitchEnabled(), c.killSwitchAfter);
    }
}

TEST_F(CommandOrderTest, ADisconnectIsPendingUntilItsCommandsHaveRun)
{
    ASSERT_FALSE(connectTo(testNode()));
    processes.hold([](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setsocksfirewallproxystate")); });
    auto disconnecting = manager->disconnect();
    waitFor([&] { return processes.waiting() == 1; });
    EXPECT_EQ(manager->state(), ConnectionState::disconnecting);
    EXPECT_FALSE(xray->isRunning()) << "the core stops at once";
    EXPECT_FALSE(messages().contains(QStringLiteral("从 Test node 断开")));
    processes.release();
    QCoro::waitFor(std::move(disconnecting));
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_EQ(log().last(),
              (Line{Type::disconnected, QStringLiteral("从 Test node 断开"), QStringLiteral("Test node")}));
}

TEST_F(CommandOrderTest, AKillSwitchLoadedWhileTheUserDisconnectsIsReleasedAfterIt)
{
    core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    holdScripts();
    auto connecting = manager->connectTo(testNode());
    waitFor([&] { return scriptsWaiting == 1; });
    ASSERT_EQ(manager->state(), ConnectionState::connected) << "the kill switch follows the connection";

    auto disconnecting = manager->disconnect();
    releaseScripts();
    QCoro::waitFor(std::move(disconnecting));
    EXPECT_FALSE(failureOf<VpnError>(std::move(connecting)));

    EXPECT_EQ(admin.scripts,
              (QStringList{PacketFilterScripts::killSwitchStart({QStringLiteral("203.0.113.7")}),
                           PacketFilterScripts::splitAndKillSwitchStop()}));
    EXPECT_FALSE(manager->killSwitchEnabled());
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_TRUE(messages().contains(QStringLiteral("🔓 网络锁已关闭")));
}

TEST_F(CommandOrderTest, AConnectAskedForDuringADisconnectFollowsIt)
{
    ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
    processes.clear();
    processes.hold([](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setwebproxystate")); });
    auto disconnecting = manager->disconnect();
    waitFor([&] { return processes.waiting() == 1; });
    auto connecting = manager->connectTo(node(2, QStringLiteral("Seoul")));
    EXPECT_EQ(manager->state(), ConnectionState::disconnecting) << "the connect waits for the disconnect";
    EXPECT_EQ(cores().size(), 1);
    processes.release();
    QCoro::waitFor(std::move(disconnecting));
    EXPECT_FALSE(failureOf<VpnError>(std::move(connecting)));

    EXPECT_EQ(manager->state(), ConnectionState::connected);
    EXPECT_EQ(manager->connectedNode()->id, 2);
    EXPECT_TRUE(manager->systemProxyEnabled());
    const auto lines = messages();
    EXPECT_LT(lines.indexOf(QStringLiteral("从 Tokyo 断开")), lines.indexOf(QStringLiteral("已连接到 Seoul")));
    EXPECT_FALSE(lines.contains(QStringLiteral("切换节点: Tokyo → Seoul"))) << "nothing left to switch from";
    const auto calls = networksetupCalls();
    EXPECT_EQ(calls.first(), QStringLiteral("-setwebproxystate Wi-Fi off"));
    EXPECT_EQ(calls.last(), QStringLiteral("-setsocksfirewallproxystate Wi-Fi on")) << "the proxies end on";
    EXPECT_EQ(activeTimers().size(), 3);
}

TEST_F(CommandOrderTest, ADisconnectOvertakesAConnectWaitingForAnEarlierOne)
{
    ASSERT_FALSE(connectTo(node(1, QStringLiteral("Tokyo"))));
    processes.clear();
    processes.hold([](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setwebproxystate")); });
    auto first = manager->disconnect();
    waitFor([&] { return processes.waiting() == 1; });
    auto connecting = manager->connectTo(node(2, QStringLiteral("Seoul")));
    auto second = manager->disconnect();
    processes.release();
    QCoro::waitFor(std::move(first));
    QCoro::waitFor(std::move(second));
    EXPECT_FALSE(failureOf<VpnError>(std::move(connecting)));

    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_EQ(cores().size(), 1) << "the user's last word was a disconnect";
    EXPECT_FALSE(messages().contains(QStringLiteral("已连接到 Seoul")));
    EXPECT_TRUE(networksetupCalls().filter(QStringLiteral(" on")).isEmpty());
    EXPECT_FALSE(manager->systemProxyEnabled());
}

TEST_F(CommandOrderTest, QuittingTheApplicationWaitsForTheTearDown)
{
    ASSERT_FALSE(connectTo(testNode()));
    processes.hold([](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setsocksfirewallproxystate")); });
    // The command ends only once the application's event loop has been told to end.
    bool quitting = false;
    bool releasedWhileQuitting = false;
    QTimer::singleShot(0, manager.get(), [&] {
        quitting = true;
        QCoreApplication::quit();
    });
    QTimer::singleShot(100, manager.get(), [&] {
        releasedWhileQuitting = quitting;
        processes.release();
    });
    QCoreApplication::exec();

    EXPECT_TRUE(releasedWhileQuitting);
    EXPECT_EQ(manager->state(), ConnectionState::disconnected);
    EXPECT_EQ(networksetupCalls().last(), QStringLiteral("-setsocksfirewallproxystate Wi-Fi off"));
    EXPECT_EQ(log().last(),
              (Line{Type::disconnected, QStringLiteral("从 Test node 断开"), QStringLiteral("Test node")}));
    EXPECT_TRUE(activeTimers().isEmpty());
}

TEST_F(CommandOrderTest, QuittingWaitsNoLongerThanItsLimit)
{
    useTimings([](VpnTimings& t) { t.quitTearDownLimit = std::chrono::milliseconds(200); });
    ASSERT_FALSE(connectTo(testNode()));
    processes.hold([](const ProcessRequest& r) { return isSudo(r, QStringLiteral("-setwebproxystate")); });
    QElapsedTimer elapsed;
    elapsed.start();
    inside(*manager).prepareForQuit();
    EXPECT_GE(elapsed.elapsed(), 180);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(manager->state(), ConnectionState::disconnecting) << "the command still runs";
    EXPECT_TRUE(activeTimers().isEmpty());
    processes.release();
    waitFor([&] { return manager->state() == ConnectionState::disconnected; });
}

} // namespace

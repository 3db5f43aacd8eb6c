#include "app/startup_rules.h"
#include "app_state_fixture.h"
#include "connection/packet_filter_scripts.h"
#include "connection/vpn_manager.h"
#include "connection/xray_manager.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/fakes/recording_process_runner.h"
#include "platform/settings_keys.h"
#include "support/proxy_settings_answers.h"
#include "support/qt_printers.h"
#include "support/recording_child_launcher.h"
#include "support/vpn_manager_test_access.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace {

Node node(qint64 id, const QString& status, std::optional<qint64> delay = std::nullopt)
{
    auto n = localNode(id, 1, status);
    n.delay = delay;
    return n;
}

std::optional<qint64> idOf(const std::optional<Node>& target)
{
    return target ? std::optional(target->id) : std::nullopt;
}

const QString online = QStringLiteral("online");
const QString offline = QStringLiteral("offline");

// The launch of the application over a connection manager whose administrator scripts and proxy
// cores only record.
class Launch : public AppStateFixture {
protected:
    void launchWith(VpnManager& vpn, StartupTimings timings = {})
    {
        rules = std::make_unique<StartupRules>(StartupRules::Services{.api = *api,
                                                                      .appState = *state,
                                                                      .vpnManager = vpn,
                                                                      .settings = *settings.store,
                                                                      .connection = vpn},
                                               timings);
        rules->applicationDidFinishLaunching();
    }

    XrayManager::Options coreOptions() const
    {
        XrayManager::Options options;
        options.resourcesDir = runtime.filePath(QStringLiteral("resources"));
        options.configDir = runtime.filePath(QStringLiteral("velmorand-xray"));
        return options;
    }

    QTemporaryDir runtime;
    RecordingProcessRunner processes;
    RecordingChildLauncher launcher;
    XrayManager xray{*settings.store, launcher, coreOptions()};
    RecordingAdminScriptRunner admin;
    std::unique_ptr<StartupRules> rules;
};

} // namespace

// A run killed while its kill switch was on leaves the rules loaded and its marker in the
// settings. The next launch keeps them in force while the user still has the kill switch chosen
// (nothing but the node gets out until it connects) and releases them when the user turned it
// off since (the network would otherwise stay blocked).
TEST_F(Launch, TakesOverOrReleasesTheKillSwitchRulesAKilledRunLeftAsTheUserChose)
{
    const QString flush = PacketFilterScripts::splitAndKillSwitchStop();
    struct Case {
        const char* name;
        bool chosen;
        QStringList scripts;
        QString logged;
    };
    for (const auto& c : {Case{"still chosen", true, {}, QStringLiteral("🔒 上次运行留下的网络锁仍在生效")},
                          Case{"turned off since", false, {flush}, QStringLiteral("🔓 网络锁已关闭")}}) {
        SCOPED_TRACE(c.name);
        settings.store->setValue(SettingsKeys::killSwitchRulesLoaded, true);
        settings.store->setValue(SettingsKeys::killSwitchEnabled, c.chosen);
        admin.scripts.clear();
        VpnManager vpn(*settings.store, processes, xray, admin);

        launchWith(vpn);

        // Releasing the rules waits for the administrator script; the log line comes last.
        const auto lastLogged
            = [&] { return vpn.connectionLog().isEmpty() ? QString() : vpn.connectionLog().first().message; };
        EXPECT_TRUE(QTest::qWaitFor([&] { return lastLogged() == c.logged; }, 10000)) << lastLogged().toStdString();
        EXPECT_EQ(vpn.killSwitchEnabled(), c.chosen);
        EXPECT_EQ(admin.scripts.join(QLatin1Char('\n')).toStdString(), c.scripts.join(QLatin1Char('\n')).toStdString());
        EXPECT_EQ(settings.reopen()->contains(SettingsKeys::killSwitchRulesLoaded), c.chosen);
        rules.reset();
    }
}

// A run that ended without disconnecting left proxies pointing at the core: shortly after the
// launch they are switched off and the system proxy shows off; the user's own proxy beside them
// stays. (Which proxies count as ours, the connection's own tests show in full.)
TEST_F(Launch, SwitchesOffAfterItsDelayTheProxiesAnEarlierRunLeftPointingAtTheCore)
{
    ProxySettingsAnswers answers;
    answers.web = ProxySettingsAnswers::on(QStringLiteral("10.1.1.1"), 3128);
    answers.secureWeb = ProxySettingsAnswers::on(QStringLiteral("127.0.0.1"), 1081);
    answers.socks = ProxySettingsAnswers::on(QStringLiteral("127.0.0.1"), 1080);
    // When the first command ran, counted from the launch.
    QElapsedTimer sinceLaunch;
    std::atomic<qint64> firstCommandAt{-1};
    processes.handler = [answers, &sinceLaunch, &firstCommandAt](const ProcessRequest& request) {
        qint64 none = -1;
        firstCommandAt.compare_exchange_strong(none, sinceLaunch.elapsed());
        return answers.answer(request);
    };
    VpnManager vpn(*settings.store, processes, xray, admin);
    published(vpn).setSystemProxyEnabled(true);

    const std::chrono::milliseconds delay(200);
    sinceLaunch.start();
    launchWith(vpn, StartupTimings{.proxyClearDelay = delay});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !vpn.systemProxyEnabled(); }, 10000));
    EXPECT_GE(firstCommandAt.load(), delay.count()) << "nothing before the delay";
    EXPECT_EQ(privilegedCommandLines(processes.commandLines()).join(QLatin1Char('\n')).toStdString(),
              "/usr/bin/sudo -n /usr/sbin/networksetup -setsecurewebproxystate Wi-Fi off\n"
              "/usr/bin/sudo -n /usr/sbin/networksetup -setsocksfirewallproxystate Wi-Fi off");
}

TEST(StartupRules, TheFastestTargetIsTheOnlineNodeWithTheSmallestDelay)
{
    struct Case {
        QList<Node> nodes;
        std::optional<qint64> id;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{node(1, offline, 5)}, std::nullopt},
        {{node(1, online, 80), node(2, online, 20)}, 2},
        {{node(1, online), node(2, online, 9999)}, 1},
        {{node(1, QStringLiteral("Online"), 1), node(2, online, 50)}, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(idOf(StartupRules::fastestTarget(c.nodes)), c.id) << c.nodes.size();
}

TEST(StartupRules, TheLaunchTargetIsTheLastNodeOnlyWhenItIsOnline)
{
    const QList<Node> nodes{node(1, offline), node(2, online), node(3, offline), node(4, online)};
    struct Case {
        qint64 lastNodeId;
        std::optional<qint64> id;
    };
    const Case cases[] = {
        {0, 2}, // none remembered: the first online node
        {-1, 2},
        {4, 4},
        {3, std::nullopt}, // remembered but offline
        {99, std::nullopt}, // no longer listed
    };
    for (const auto& c : cases)
        EXPECT_EQ(idOf(StartupRules::launchTarget(nodes, c.lastNodeId)), c.id) << c.lastNodeId;
    EXPECT_EQ(idOf(StartupRules::launchTarget({node(1, QStringLiteral("ONLINE"))}, 0)), std::nullopt)
        << "only the exact status counts as online";
}

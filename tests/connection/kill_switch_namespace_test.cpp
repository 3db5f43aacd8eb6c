// The kill switch and the per-application rules for real: the administrator scripts run as root
// through the pfctl stand-in, whose nftables table filters a private network namespace (see
// kill_switch_network.h).
#include "connection/vpn_error.h"
#include "connection/vpn_manager.h"
#include "kill_switch_network.h"
#include "platform/admin_script_runner.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "real_engine.h"
#include "support/qt_printers.h"
#include "support/staged_for_other_user.h"
#include "support/stand_in_state.h"
#include "support/task_failure.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QProcess>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const QString kTest
    = QStringLiteral("KillSwitchInANamespace.BlocksAllButLoopbackTheNodeDnsTheLanAndChosenApplications");
const QString kHoldingTest
    = QStringLiteral("KillSwitchInANamespace.NothingGetsOutThroughAReconnectAndASwitchUntilTheUserDisconnects");

using namespace KillSwitchNetwork;

const QString kNobody = QStringLiteral("65534");

// Whether a program run as the user id gets a TCP greeting from the address.
bool tcpReachesAs(const QString& uid, const QString& address, quint16 port)
{
    QProcess probe;
    probe.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=") + uid, QStringLiteral("--regid=") + uid, QStringLiteral("--clear-groups"),
                 QStringLiteral("timeout"), QStringLiteral("2"), QStringLiteral("/bin/bash"), QStringLiteral("-c"),
                 QStringLiteral("exec 3<>/dev/tcp/%1/%2 && head -n 1 <&3").arg(address).arg(port)});
    return probe.waitForFinished(10000) && probe.exitCode() == 0 && probe.readAllStandardOutput() == "hello\n";
}

// A copy of sleep inside an application bundle, run as nobody: a running application whose
// processes pgrep finds by the bundle's path.
std::unique_ptr<QProcess> startApplicationAsNobody(StagedForOtherUser& staged, QString* bundle)
{
    const auto executable
        = staged.add(QStringLiteral("/bin/sleep"), QStringLiteral("Split Test.app/Contents/MacOS/splittest"));
    *bundle = staged.filePath(QStringLiteral("Split Test.app"));
    auto application = std::make_unique<QProcess>();
    application->start(QStringLiteral("setpriv"),
                       {QStringLiteral("--reuid=") + kNobody, QStringLiteral("--regid=") + kNobody,
                        QStringLiteral("--clear-groups"), executable, QStringLiteral("120")});
    application->waitForStarted();
    return application;
}

// Inside the client namespace. Answers come at once here; a probe that waits is blocked.
void runClient()
{
    // The stand-ins keep their state in throwaway places.
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());

    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";
    QTcpServer local;
    ASSERT_TRUE(local.listen(QHostAddress::LocalHost));

    XrayFixture coreFixture;
    auto xray = coreFixture.make();
    const auto processes = ProcessRunner::makeNative();
    const auto adminScripts = AdminScriptRunner::makeNative();
    VpnManager manager(*coreFixture.settings.store, *processes, *xray, *adminScripts);
    published(manager).setConnectedNode(testNode(node));
    published(manager).setState(ConnectionState::connected);
    published(manager).setProxyRunning(true);

    for (int round = 1; round <= 2; ++round) {
        // The second round finds the filter already on.
        QCoro::waitFor(manager.enableKillSwitch());
        ASSERT_TRUE(manager.killSwitchEnabled()) << manager.connectionLog().first().message.toStdString();
        EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"));
        EXPECT_TRUE(nftRuleset().contains(QStringLiteral("table inet velmorand"))) << nftRuleset().toStdString();

        EXPECT_TRUE(tcpReaches(node, tcpPort)) << "TCP to the node";
        EXPECT_TRUE(udpEchoes(node, udpPort)) << "UDP to the node";
        EXPECT_TRUE(udpEchoes(otherHost, dnsPort)) << "DNS anywhere";
        EXPECT_TRUE(tcpReaches(lanHost, tcpPort)) << "the local network";
        EXPECT_TRUE(tcpConnects(QStringLiteral("127.0.0.1"), local.serverPort())) << "loopback";
        EXPECT_FALSE(tcpReaches(otherHost, tcpPort)) << "TCP elsewhere is blocked, although we send from a LAN address";
        EXPECT_FALSE(udpEchoes(otherHost, udpPort)) << "UDP elsewhere is blocked";
        EXPECT_FALSE(tcpReachesAs(kNobody, otherHost, tcpPort)) << "no application is let through yet";

        QCoro::waitFor(manager.disableKillSwitch());
        EXPECT_FALSE(manager.killSwitchEnabled());
        EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("🔓 网络锁已关闭"));
        EXPECT_TRUE(tcpReaches(otherHost, tcpPort)) << "open again after the release, round " << round;
        EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
    }

    // An application let through by its user id.
    StagedForOtherUser applications;
    QString bundle;
    auto application = startApplicationAsNobody(applications, &bundle);
    ASSERT_TRUE(applications.problem().isEmpty()) << applications.problem().toStdString();
    QCoro::waitFor(manager.enableKillSwitch());
    QCoro::waitFor(manager.addSplitTunnelApp(bundle));
    EXPECT_EQ(manager.connectionLog().first().message, QStringLiteral("分应用代理: 1 个应用已绕过 VPN"));
    EXPECT_TRUE(tcpReachesAs(kNobody, otherHost, tcpPort)) << "the application's user passes";
    EXPECT_FALSE(tcpReachesAs(QStringLiteral("0"), otherHost, tcpPort)) << "everyone else stays blocked";
    application->kill();
    application->waitForFinished();

    const auto result = QCoro::waitFor(manager.cleanupSystemConfig(false));
    EXPECT_TRUE(result.proxyOff);
    EXPECT_TRUE(result.pfCleared);
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_TRUE(tcpReaches(otherHost, tcpPort)) << "the clean-up released the kill switch";
}

// With the kill switch chosen: connect, lose the core and let the automatic reconnect make the
// tunnel again, switch to a second node, disconnect. A prober tries the other host all along.
void runClientThroughReconnectAndSwitch()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";

    XrayFixture coreFixture;
    coreFixture.installCore();
    coreFixture.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
    auto xray = coreFixture.make();
    VpnTimings timings;
    timings.healthInterval = std::chrono::milliseconds(100);
    timings.reconnectPause = std::chrono::milliseconds(300);
    const auto processes = ProcessRunner::makeNative();
    const auto adminScripts = AdminScriptRunner::makeNative();
    VpnManager manager(*coreFixture.settings.store, *processes, *xray, *adminScripts, timings);
    const auto cores
        = [&] { return coreFixture.launcher.madeFor(coreFixture.resources.filePath(QStringLiteral("xray"))); };
    auto first = testNode(node);
    first.id = 1;
    auto second = testNode(secondNode);
    second.id = 2;

    // While the user's disconnect runs, the release comes at some point: probes then may go
    // either way.
    enum Phase { connecting, connected, reconnecting, switching, disconnecting, disconnected };
    Prober prober({QStringLiteral("connect"), QStringLiteral("connected"), QStringLiteral("reconnect"),
                   QStringLiteral("switch"), QStringLiteral("during the disconnect"),
                   QStringLiteral("after the disconnect")});

    ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(first)));
    ASSERT_TRUE(manager.killSwitchEnabled()) << manager.connectionLog().first().message.toStdString();
    prober.enter(connected);
    ASSERT_TRUE(prober.probedAtLeast(connected, 20));

    prober.enter(reconnecting);
    cores().last().child->end();
    // A health check, a pause and a connect through the administrator scripts: a loaded machine
    // takes its time.
    ASSERT_TRUE(waitFor([&] { return cores().size() == 2 && manager.state() == ConnectionState::connected; }, 60000))
        << logMessages(manager).join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(prober.probedAtLeast(reconnecting, 40));
    EXPECT_TRUE(manager.killSwitchEnabled());

    prober.enter(switching);
    ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(second)));
    EXPECT_EQ(manager.connectedNode()->id, 2);
    EXPECT_TRUE(tcpReaches(secondNode, tcpPort)) << "the new node is let out";
    EXPECT_FALSE(tcpReaches(node, tcpPort)) << "the old node's pass rule is gone";
    ASSERT_TRUE(prober.probedAtLeast(switching, 20));

    prober.enter(disconnecting);
    QCoro::waitFor(manager.disconnect());
    prober.enter(disconnected);
    EXPECT_FALSE(manager.killSwitchEnabled());
    ASSERT_TRUE(prober.probedAtLeast(disconnected, 20));

    std::printf("%s\n", qPrintable(prober.report()));
    for (const auto phase : {connected, reconnecting, switching})
        EXPECT_EQ(prober.count(phase).gotOut, 0) << prober.report().toStdString();
    EXPECT_EQ(prober.count(disconnected).gotOut, prober.count(disconnected).tried) << prober.report().toStdString();
}

TEST(KillSwitchInANamespace, BlocksAllButLoopbackTheNodeDnsTheLanAndChosenApplications)
{
    runInPrivateNetwork(kTest, runClient);
}

TEST(KillSwitchInANamespace, NothingGetsOutThroughAReconnectAndASwitchUntilTheUserDisconnects)
{
    runInPrivateNetwork(kHoldingTest, runClientThroughReconnectAndSwitch);
}

} // namespace

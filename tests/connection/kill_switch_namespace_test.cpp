// The kill switch for real: the administrator scripts run as root
// through the pfctl stand-in, whose nftables table filters a private network namespace (see
// kill_switch_network.h).
#include "connection/packet_filter_scripts.h"
#include "connection/vpn_error.h"
#include "connection/vpn_manager.h"
#include "kill_switch_network.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "real_engine.h"
#include "support/qt_printers.h"
#include "support/root_script_runner.h"
#include "support/stand_in_state.h"
#include "support/task_failure.h"
#include "xray_test_fixture.h"

#include <QProcess>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const QString kTest = QStringLiteral("KillSwitchInANamespace.BlocksAllButLoopbackTheNodeDnsAndTheLan");
const QString kHoldingTest
    = QStringLiteral("KillSwitchInANamespace.NothingGetsOutThroughAReconnectAndASwitchUntilTheUserDisconnects");
const QString kNodeNameTest
    = QStringLiteral("KillSwitchInANamespace.ANodeNameTheRulesRefuseIsLetOutByItsAddressesOrNeverConnected");
const QString kLostNameTest
    = QStringLiteral("KillSwitchInANamespace.ReleasesAtOnceWhenTheNodesNameStopsResolvingWhileConnected");

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

// A connection manager with the kill switch chosen, over cores that are fake children, running
// the system's commands and administrator scripts for real.
struct KillSwitchChosen {
    explicit KillSwitchChosen(const VpnTimings& timings)
    {
        core.installCore();
        core.settings.store->setValue(SettingsKeys::killSwitchEnabled, true);
        manager = std::make_unique<VpnManager>(*core.settings.store, *processes, *xray, *adminScripts, timings);
    }

    XrayFixture core;
    std::unique_ptr<XrayManager> xray = core.make();
    const std::unique_ptr<ProcessRunner> processes = ProcessRunner::makeNative();
    const std::unique_ptr<AdminScriptRunner> adminScripts = rootScriptRunner();
    std::unique_ptr<VpnManager> manager;
};

// Inside the client namespace. Answers come at once here; a probe that waits is blocked.
void runClient()
{
    // The stand-ins keep their state in throwaway places.
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());

    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";
    QTcpServer local;
    ASSERT_TRUE(local.listen(QHostAddress::LocalHost));

    ManagerAtTheNode atTheNode;
    auto& manager = atTheNode.manager;

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

    VpnTimings timings;
    timings.healthInterval = std::chrono::milliseconds(100);
    timings.reconnectPause = std::chrono::milliseconds(300);
    KillSwitchChosen engine(timings);
    auto& manager = *engine.manager;
    const auto cores
        = [&] { return engine.core.launcher.madeFor(engine.core.resources.filePath(QStringLiteral("xray"))); };
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

// With the kill switch chosen, nodes whose server is a valid name that no rule can hold (an
// underscore, a final dot, a single label), resolved from a hosts file of the client's own: each
// is let out by its address and nothing else gets out. A name that resolves to nothing is never
// connected, neither at the first connect nor in a switch, which drops the old node's rule.
void runClientWithNodeNamesTheRulesRefuse()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    QString error;
    ASSERT_TRUE(resolveNamesOnlyFrom(
        (secondNode + QStringLiteral(" node_b.velmorand.test nodeb.velmorand.test. nodeb\n")).toUtf8(), &error))
        << error.toStdString();
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";

    VpnTimings timings;
    timings.retryWaitUnit = std::chrono::milliseconds(10);
    KillSwitchChosen engine(timings);
    auto& manager = *engine.manager;
    const auto log = [&] { return logMessages(manager).join(QLatin1Char('\n')).toStdString(); };
    const auto nodeNamed = [](const QString& server, qint64 id) {
        auto named = testNode(server);
        named.id = id;
        return named;
    };

    // Between the connections traffic flows directly.
    enum Phase { open, connectedByName, switchedToUnresolved };
    Prober prober({QStringLiteral("between the connections"), QStringLiteral("connected by a name the rules refuse"),
                   QStringLiteral("after a switch to a name that resolves to nothing")});
    qint64 id = 10;
    int connections = 0;
    for (const auto& name :
         {QStringLiteral("node_b.velmorand.test"), QStringLiteral("nodeb.velmorand.test."), QStringLiteral("nodeb")}) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_FALSE(PacketFilterScripts::isSafeHost(name)) << "a name the rule text refuses";
        ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(nodeNamed(name, ++id)))) << log();
        prober.enter(connectedByName);
        EXPECT_EQ(manager.state(), ConnectionState::connected);
        EXPECT_TRUE(manager.killSwitchEnabled()) << log();
        EXPECT_TRUE(tcpReaches(secondNode, tcpPort)) << "the node is let out by its address";
        EXPECT_FALSE(tcpReaches(otherHost, tcpPort)) << "nothing else gets out";
        EXPECT_FALSE(tcpReaches(node, tcpPort)) << "nor another node";
        ASSERT_TRUE(prober.probedAtLeast(connectedByName, 20 * ++connections));
        prober.enter(open);
        QCoro::waitFor(manager.disconnect());
        EXPECT_FALSE(manager.killSwitchEnabled()) << log();
    }

    const auto nowhere = QStringLiteral("node_c.velmorand.test");
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "released after the disconnect";
    auto failure = failureOf<VpnError>(manager.connectTo(nodeNamed(nowhere, ++id)));
    ASSERT_TRUE(failure) << log();
    EXPECT_EQ(failure->kind(), VpnError::Kind::nodeNotLetOut);
    EXPECT_EQ(manager.state(), ConnectionState::disconnected);
    EXPECT_FALSE(manager.killSwitchEnabled()) << "never connected: the lock was never opened " << log();

    ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(nodeNamed(node, ++id)))) << log();
    ASSERT_TRUE(manager.killSwitchEnabled()) << log();
    prober.enter(switchedToUnresolved);
    failure = failureOf<VpnError>(manager.connectTo(nodeNamed(nowhere, ++id)));
    ASSERT_TRUE(failure) << log();
    EXPECT_EQ(failure->kind(), VpnError::Kind::nodeNotLetOut);
    EXPECT_EQ(manager.state(), ConnectionState::disconnected);
    EXPECT_TRUE(manager.killSwitchEnabled()) << "the block holds " << log();
    EXPECT_FALSE(tcpReaches(node, tcpPort)) << "the old node's rule is gone: no tunnel to carry";
    EXPECT_FALSE(tcpReaches(otherHost, tcpPort));
    EXPECT_TRUE(udpEchoes(otherHost, dnsPort)) << "DNS still passes";
    ASSERT_TRUE(prober.probedAtLeast(switchedToUnresolved, 20));
    prober.enter(open);
    QCoro::waitFor(manager.disconnect());
    EXPECT_FALSE(manager.killSwitchEnabled()) << log();
    EXPECT_TRUE(tcpReaches(otherHost, tcpPort)) << "the disconnect lifts the block";

    std::printf("%s\n", qPrintable(prober.report()));
    for (const auto phase : {connectedByName, switchedToUnresolved})
        EXPECT_EQ(prober.count(phase).gotOut, 0) << prober.report().toStdString();
}

// Connected with the kill switch on to a node named by a host name, which then stops resolving
// (dropped from the hosts file; the resolver behind never answers): the user turns the kill switch
// off while connected, and, in a second round, disconnects and then turns it off. Each time the
// rules are gone within 10 s, traffic gets out, and no name was looked up again.
void runClientWhoseNodeNameStopsResolving()
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    const auto listed = (node + QStringLiteral(" node.velmorand.test\n")).toUtf8();
    ChangingNames names;
    QString error;
    ASSERT_TRUE(names.start(listed, &error)) << error.toStdString();

    VpnTimings timings;
    timings.retryWaitUnit = std::chrono::milliseconds(10);
    KillSwitchChosen engine(timings);
    auto& manager = *engine.manager;
    auto& settings = *engine.core.settings.store;
    const auto log = [&] { return logMessages(manager).join(QLatin1Char('\n')).toStdString(); };
    const auto rulesGone = [] { return !nftRuleset().contains(QStringLiteral("table inet velmorand")); };
    auto named = testNode(QStringLiteral("node.velmorand.test"));
    named.id = 1;

    enum class Release { turnedOffWhileConnected, disconnectedThenTurnedOff };
    for (const auto release : {Release::turnedOffWhileConnected, Release::disconnectedThenTurnedOff}) {
        SCOPED_TRACE(release == Release::turnedOffWhileConnected ? "turned off while connected"
                                                                 : "disconnected, then turned off");
        settings.setValue(SettingsKeys::killSwitchEnabled, true);
        ASSERT_TRUE(names.list(listed));
        ASSERT_FALSE(failureOf<VpnError>(manager.connectTo(named))) << log();
        ASSERT_TRUE(manager.killSwitchEnabled()) << log();
        EXPECT_TRUE(tcpReaches(node, tcpPort)) << "the node is let out by the address its name had";
        EXPECT_FALSE(tcpReaches(otherHost, tcpPort));

        ASSERT_TRUE(names.list({}));
        // As the settings screen turns it off: the choice is stored, and the engine told while
        // connected; once disconnected, it has nothing left to release.
        const bool turnedOff = release == Release::turnedOffWhileConnected;
        if (turnedOff)
            settings.setValue(SettingsKeys::killSwitchEnabled, false);
        auto releasing = turnedOff ? manager.disableKillSwitch() : manager.disconnect();
        EXPECT_TRUE(waitFor(rulesGone, 10000)) << nftRuleset().toStdString() << log();
        QCoro::waitFor(std::move(releasing));
        settings.setValue(SettingsKeys::killSwitchEnabled, false);
        EXPECT_FALSE(manager.killSwitchEnabled()) << log();
        EXPECT_FALSE(manager.killSwitchWanted());
        EXPECT_TRUE(tcpReaches(otherHost, tcpPort)) << "traffic gets out";
        QCoro::waitFor(manager.disconnect());
        EXPECT_TRUE(rulesGone());
    }
    EXPECT_FALSE(names.resolverAsked()) << "no name was looked up once it stopped resolving";
}

TEST(KillSwitchInANamespace, BlocksAllButLoopbackTheNodeDnsAndTheLan) { runInPrivateNetwork(kTest, runClient); }

TEST(KillSwitchInANamespace, NothingGetsOutThroughAReconnectAndASwitchUntilTheUserDisconnects)
{
    runInPrivateNetwork(kHoldingTest, runClientThroughReconnectAndSwitch);
}

TEST(KillSwitchInANamespace, ANodeNameTheRulesRefuseIsLetOutByItsAddressesOrNeverConnected)
{
    runInPrivateNetwork(kNodeNameTest, runClientWithNodeNamesTheRulesRefuse);
}

TEST(KillSwitchInANamespace, ReleasesAtOnceWhenTheNodesNameStopsResolvingWhileConnected)
{
    runInPrivateNetwork(kLostNameTest, runClientWhoseNodeNameStopsResolving);
}

} // namespace

// The application killed outright while connected with the kill switch on, then launched again:
// the kill switch's rules outlive the killed run. The new launch takes them over when the user
// still has the kill switch chosen (nothing but the service and the listed nodes' ports gets out
// until the new connection is up) and removes them when the user has turned it off since; either
// way the user signs in to the service, on an address of its own, within seconds, though a name
// of the service's pool resolves to nothing, measures the listed nodes' latency, connects
// through the node the service lists, and the killed run's core is gone. The killed run is a process of its own in the
// client namespace of kill_switch_network.h.
#include "api/api_service.h"
#include "connection/ping_service.h"
#include "connection/vpn_error.h"
#include "kill_switch_network.h"
#include "platform/settings_keys.h"
#include "real_engine.h"
#include "support/child_processes.h"
#include "support/core_test_environment.h"
#include "support/private_network.h"
#include "support/qt_printers.h"
#include "support/stand_in_state.h"
#include "support/task_failure.h"
#include "support/temp_settings.h"
#include "support/trojan_server.h"
#include "support/vpn_manager_test_access.h"
#include "xray_test_fixture.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

using namespace KillSwitchNetwork;

const QString kStillChosenTest
    = QStringLiteral("KillSwitchAfterACrash.StillChosenItHoldsThroughTheNewLaunchUntilItConnectsThroughTheNode");
const QString kTurnedOffTest
    = QStringLiteral("KillSwitchAfterACrash.TurnedOffSinceItIsGoneAtTheNewLaunchAndTrafficFlowsDirectly");
// Where the killed run keeps its settings and its core's files.
const QString kSettingsVariable = QStringLiteral("VELMORAND_TEST_SETTINGS_FILE");
const QString kRuntimeVariable = QStringLiteral("VELMORAND_TEST_RUNTIME_DIR");
const QNetworkProxy kCoreSocks(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), XrayManager::proxyPort);

QString logOf(const VpnManager& manager) { return logMessages(manager).join(QLatin1Char('\n')); }

// The run that gets killed: connects to the node with the kill switch on, prints "connected PID"
// with its core's process id and holds the connection until it is killed.
void holdAConnection()
{
    SettingsStore settings(qEnvironmentVariable(qPrintable(kSettingsVariable)));
    QString why;
    const auto options = loopbackCoreOptions(qEnvironmentVariable(qPrintable(kRuntimeVariable)), &why);
    ASSERT_TRUE(options) << why.toStdString();
    RealEngine engine(settings, *options);
    ASSERT_FALSE(failureOf<VpnError>(engine.manager.connectTo(testNode(node)))) << logOf(engine.manager).toStdString();
    ASSERT_TRUE(engine.manager.killSwitchEnabled()) << logOf(engine.manager).toStdString();
    std::printf("connected %lld\n", static_cast<long long>(engine.xray.processId().value_or(0)));
    std::fflush(stdout);
    QEventLoop().exec();
}

// The core's process id that the holder printed; 0 when it ended without (its output in *output).
qint64 connectedCore(QProcess& holder, QByteArray* output)
{
    static const QRegularExpression connected(QStringLiteral("^connected (\\d+)$"),
                                              QRegularExpression::MultilineOption);
    QRegularExpressionMatch match;
    waitFor(
        [&] {
            *output += holder.readAll();
            match = connected.match(QString::fromUtf8(*output));
            return match.hasMatch() || holder.state() == QProcess::NotRunning;
        },
        60000);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

bool socksProxyOn(VpnManager& manager)
{
    return QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Ethernet"), XrayManager::proxyPort));
}

// Inside the client namespace: a run connects with the kill switch on and is killed, then a new
// launch runs the application's launch clean-up and connects again. A prober tries the other host
// directly all along.
void relaunchAfterACrash(const QString& test, bool killSwitchStillChosen)
{
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());
    // No name resolves but the machine's own: the pool's second entry is dead.
    QString namesError;
    ASSERT_TRUE(resolveNamesOnlyFrom("127.0.0.1 localhost\n", &namesError)) << namesError.toStdString();
    const QString deadPoolEntry = QStringLiteral("http://gone.velmorand.test:%1").arg(servicePort);
    // Both runs' cores trust the node's test certificate.
    qputenv("SSL_CERT_FILE", TrojanServer::caCertificate().toUtf8());
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort)) << "the other host answers before the kill switch";
    QTemporaryDir runtime;
    QString why;
    const auto options = loopbackCoreOptions(runtime.path(), &why);
    ASSERT_TRUE(options) << why.toStdString();
    TempSettings settings;
    // Everything through the node, so that what reaches the other host through the core went there.
    settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("global"));
    settings.store->setValue(SettingsKeys::killSwitchEnabled, true);

    const auto holder = NetworkNamespace::startSelfHere(
        test, QStringLiteral("holder"),
        {{kSettingsVariable, settings.store->filePath()}, {kRuntimeVariable, runtime.path()}});
    QByteArray held;
    const auto corePid = connectedCore(*holder, &held);
    ASSERT_NE(corePid, 0) << held.toStdString();
    const auto killedCore = withChildren(corePid);
    ASSERT_TRUE(tcpReaches(otherHost, tcpPort, kCoreSocks)) << "the killed run's tunnel carried traffic";

    // While the user's disconnect runs, the release comes at some point: probes then may go
    // either way.
    enum Phase { holding, afterTheCrash, launching, connectedAgain, disconnecting, disconnected };
    Prober prober({QStringLiteral("while the killed run held"), QStringLiteral("after the crash"),
                   QStringLiteral("through the launch"), QStringLiteral("connected again"),
                   QStringLiteral("during the disconnect"), QStringLiteral("after the disconnect")});
    ASSERT_TRUE(prober.probedAtLeast(holding, 20));
    ASSERT_EQ(::kill(pid_t(holder->processId()), SIGKILL), 0);
    ASSERT_TRUE(holder->waitForFinished(5000));
    prober.enter(afterTheCrash);
    ASSERT_TRUE(prober.probedAtLeast(afterTheCrash, 20));
    ASSERT_TRUE(nftRuleset().contains(QStringLiteral("table inet velmorand"))) << "the killed run left its rules";

    // The new launch, with the user's choice as it stands in the settings now, and its client of
    // the service, which lies on an address of its own.
    const auto store = settings.reopen();
    if (!killSwitchStillChosen)
        store->setValue(SettingsKeys::killSwitchEnabled, false);
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    RealEngine launch(*store, *options);
    auto& manager = launch.manager;
    ApiService api(*store, {serviceBaseUrl(), deadPoolEntry},
                   ApiService::Options{.requestTimeout = std::chrono::seconds(8)});
    manager.setServiceHosts([&api] { return api.hosts(); });
    QList<Node> listedNow;
    manager.setListedNodes([&listedNow] { return listedNow; });
    ASSERT_TRUE(socksProxyOn(manager)) << "the killed run left the system proxy on";
    prober.enter(launching);
    // What the application's start-up runs before any connection.
    QCoro::waitFor(manager.recoverLeftoverKillSwitch());
    QCoro::waitFor(manager.clearLeftoverSystemProxy());
    EXPECT_EQ(manager.killSwitchEnabled(), killSwitchStillChosen) << logOf(manager).toStdString();
    EXPECT_EQ(nftRuleset().contains(QStringLiteral("table inet velmorand")), killSwitchStillChosen)
        << nftRuleset().toStdString();
    EXPECT_EQ(tcpReaches(otherHost, tcpPort), !killSwitchStillChosen) << "directly, once launched";
    EXPECT_FALSE(socksProxyOn(manager)) << "the launch switched the left system proxy off";

    // The user signs in and connects to the node the service lists: the service is let out while
    // the block holds, and nothing else is.
    const auto account = serviceAccount();
    ASSERT_TRUE(QCoro::waitFor(api.login(account.email, account.password))) << "the service is reached";
    const double signedIn = sinceLaunch.elapsed() / 1000.0;
    const auto listed = QCoro::waitFor(api.fetchNodes());
    const auto target = std::find_if(listed.cbegin(), listed.cend(), [](const Node& n) { return n.server == node; });
    ASSERT_NE(target, listed.cend()) << "the service lists the node";
    // The list reaches the connection as the application's does; the probes wait for its rules.
    listedNow = listed;
    QCoro::waitFor(manager.listedNodesChanged());
    QCoro::waitFor(manager.rulesSettled());
    PingService ping;
    const auto latencies = QCoro::waitFor(ping.ping(listed));
    EXPECT_TRUE(latencies.contains(target->id)) << "the node's latency is measured" << logOf(manager).toStdString();
    EXPECT_EQ(tcpConnects(node, tcpPort), !killSwitchStillChosen) << "the listed port of the node only";
    if (killSwitchStillChosen) {
        EXPECT_TRUE(logMessages(manager).contains(QStringLiteral("🔒 网络锁未放行无法解析的地址: gone.velmorand.test")))
            << logOf(manager).toStdString();
    }
    ASSERT_TRUE(prober.probedAtLeast(launching, 20));

    const auto error = failureOf<VpnError>(manager.connectTo(*target));
    ASSERT_FALSE(error) << logOf(manager).toStdString();
    const double connected = sinceLaunch.elapsed() / 1000.0;
    std::printf("measured from the new launch: signed in after %.1f s, connected after %.1f s\n", signedIn, connected);
    EXPECT_LT(signedIn, 10.0) << "the sign-in needs no time-out";
    EXPECT_LT(connected, 30.0);
    prober.enter(connectedAgain);
    EXPECT_EQ(manager.killSwitchEnabled(), killSwitchStillChosen) << logOf(manager).toStdString();
    EXPECT_TRUE(tcpReaches(otherHost, tcpPort, kCoreSocks)) << "through the node";
    EXPECT_EQ(tcpReaches(otherHost, tcpPort), !killSwitchStillChosen) << "directly, connected again";
    EXPECT_TRUE(socksProxyOn(manager));
    EXPECT_FALSE(anyAlive(killedCore)) << "the killed run's core is gone";
    ASSERT_TRUE(prober.probedAtLeast(connectedAgain, 20));

    prober.enter(disconnecting);
    QCoro::waitFor(manager.disconnect());
    prober.enter(disconnected);
    EXPECT_FALSE(manager.killSwitchEnabled());
    EXPECT_TRUE(nftRuleset().trimmed().isEmpty()) << nftRuleset().toStdString();
    ASSERT_TRUE(prober.probedAtLeast(disconnected, 20));

    std::printf("%s\n", qPrintable(prober.report()));
    for (const auto phase : {holding, afterTheCrash})
        EXPECT_EQ(prober.count(phase).gotOut, 0) << prober.report().toStdString();
    if (killSwitchStillChosen) {
        for (const auto phase : {launching, connectedAgain})
            EXPECT_EQ(prober.count(phase).gotOut, 0) << prober.report().toStdString();
    } else {
        EXPECT_EQ(prober.count(connectedAgain).gotOut, prober.count(connectedAgain).tried)
            << prober.report().toStdString();
    }
    EXPECT_EQ(prober.count(disconnected).gotOut, prober.count(disconnected).tried) << prober.report().toStdString();
}

void crashAndRelaunch(const QString& test, bool killSwitchStillChosen)
{
    if (NetworkNamespace::role() == QLatin1String("holder"))
        return holdAConnection();
    runInPrivateNetwork(test, [&] { relaunchAfterACrash(test, killSwitchStillChosen); });
}

TEST(KillSwitchAfterACrash, StillChosenItHoldsThroughTheNewLaunchUntilItConnectsThroughTheNode)
{
    crashAndRelaunch(kStillChosenTest, true);
}

TEST(KillSwitchAfterACrash, TurnedOffSinceItIsGoneAtTheNewLaunchAndTrafficFlowsDirectly)
{
    crashAndRelaunch(kTurnedOffTest, false);
}

} // namespace

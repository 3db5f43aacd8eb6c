// The whole connection for real: the connection manager with the wrapped v2ray as its core, a
// local Trojan server as the node, the networksetup stand-in as the system proxy and, where the
// test may use a private network namespace, the kill switch through the pfctl stand-in.
#include "connection/vpn_error.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "real_engine.h"
#include "support/child_processes.h"
#include "support/local_http_server.h"
#include "support/private_network.h"
#include "support/proxy_client.h"
#include "support/qt_printers.h"
#include "support/stand_in_state.h"
#include "support/task_failure.h"
#include "support/temp_settings.h"
#include "support/trojan_server.h"
#include "support/vpn_manager_test_access.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

const QString kTest = QStringLiteral("EngineEndToEnd.ConnectCarryTrafficSurviveACoreCrashAndLeaveNothingBehind");
const QHostAddress kLoopback(QHostAddress::LocalHost);
constexpr qint64 kDownload = 4 * 1024 * 1024;

QString run(const QString& program, const QStringList& arguments)
{
    const auto result = ProcessRunner::makeNative()->run({program, arguments});
    return QString::fromUtf8(result.output);
}

// What networksetup says about one proxy of the service.
QString proxySetting(const char* kind)
{
    return run(QStringLiteral("/usr/sbin/networksetup"),
               {QLatin1String("-get") + QLatin1String(kind), QStringLiteral("Ethernet")});
}

void scenario(bool withKillSwitch)
{
    QString why;
    if (!coreProxyPortsFree(&why))
        GTEST_SKIP() << "The core's ports 1080 and 1081 must be free for this test: " << why.toStdString();
    TrojanServer trojan;
    LocalHttpServer http;
    ASSERT_TRUE(trojan.start(&why)) << why.toStdString();
    qputenv("SSL_CERT_FILE", TrojanServer::caCertificate().toUtf8());

    // The stand-ins keep their state in throwaway places; one network service, "Ethernet".
    StandInState standIns({QStringLiteral("Ethernet")});
    ASSERT_TRUE(standIns.ready());

    QTemporaryDir runtime;
    const auto options = loopbackCoreOptions(runtime.path(), &why);
    ASSERT_TRUE(options) << why.toStdString();
    TempSettings settings;
    settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("global"));
    settings.store->setValue(SettingsKeys::killSwitchEnabled, withKillSwitch);
    VpnTimings timings;
    timings.statsInterval = std::chrono::milliseconds(250);
    timings.healthInterval = std::chrono::milliseconds(300);
    timings.reconnectPause = std::chrono::milliseconds(200);
    RealEngine engine(*settings.store, *options, timings);
    auto& xray = engine.xray;
    auto& manager = engine.manager;
    const auto before = childProcesses();

    // Connect: the core runs and the system proxies point at it.
    const auto error = failureOf<VpnError>(manager.connectTo(trojan.node()));
    ASSERT_FALSE(error) << logMessages(manager).join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(manager.state(), ConnectionState::connected);
    EXPECT_TRUE(manager.systemProxyEnabled());
    EXPECT_TRUE(QCoro::waitFor(inside(manager).checkProxyState(QStringLiteral("Ethernet"), XrayManager::proxyPort)));
    EXPECT_TRUE(proxySetting("webproxy").contains(QStringLiteral("Enabled: Yes\nServer: 127.0.0.1\nPort: 1081")));
    EXPECT_TRUE(proxySetting("securewebproxy").contains(QStringLiteral("Enabled: Yes\nServer: 127.0.0.1\nPort: 1081")));
    if (withKillSwitch) {
        EXPECT_TRUE(manager.killSwitchEnabled()) << logMessages(manager).join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(run(QStringLiteral("nft"), {QStringLiteral("list"), QStringLiteral("ruleset")})
                        .contains(QStringLiteral("table inet velmorand")));
    }

    // Traffic through both local proxies, through the tunnel, shows in the statistics.
    const auto viaSocks = QCoro::waitFor(
        fetchThroughSocks5(XrayManager::proxyPort, kLoopback, http.port(), QStringLiteral("/bytes/%1").arg(kDownload)));
    ASSERT_TRUE(viaSocks);
    EXPECT_EQ(viaSocks->body, LocalHttpServer::bytesBody(kDownload));
    const auto viaHttp = QCoro::waitFor(
        fetchThroughHttpProxy(XrayManager::httpPort, kLoopback, http.port(), QStringLiteral("/over-http")));
    ASSERT_TRUE(viaHttp);
    EXPECT_EQ(viaHttp->body, LocalHttpServer::greeting());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return trojan.output().contains(QByteArray("accepted tcp:127.0.0.1:" + QByteArray::number(http.port())));
        },
        5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager.trafficDown() >= kDownload; }, 10000)) << manager.trafficDown();
    EXPECT_GT(manager.trafficUp(), 0);
    const auto speeds = manager.trafficHistoryDown();
    EXPECT_TRUE(std::any_of(speeds.cbegin(), speeds.cend(), [](qint64 speed) { return speed > 0; }));

    // The core dies; the health check notices and the reconnect brings the tunnel back.
    const auto firstCore = xray.processId();
    ASSERT_TRUE(firstCore);
    ASSERT_EQ(::kill(pid_t(*firstCore), SIGKILL), 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return manager.state() == ConnectionState::connected && xray.isRunning() && xray.processId() != firstCore;
        },
        30000))
        << logMessages(manager).join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(logMessages(manager).contains(QStringLiteral("检测到连接断开,正在重连(1/5)")));
    const auto again
        = QCoro::waitFor(fetchThroughSocks5(XrayManager::proxyPort, kLoopback, http.port(), QStringLiteral("/hello")));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->body, LocalHttpServer::greeting());

    // Disconnect: no child, no proxy pointing at us, no packet-filter rules.
    QCoro::waitFor(manager.disconnect());
    EXPECT_EQ(manager.state(), ConnectionState::disconnected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return childProcesses() == before; }, 5000));
    for (const char* kind : {"webproxy", "securewebproxy", "socksfirewallproxy"})
        EXPECT_TRUE(proxySetting(kind).startsWith(QStringLiteral("Enabled: No\n")))
            << kind << ": " << proxySetting(kind).toStdString();
    EXPECT_TRUE(
        run(QStringLiteral("/sbin/pfctl"),
            {QStringLiteral("-a"), QStringLiteral("com.velmorand"), QStringLiteral("-s"), QStringLiteral("rules")})
            .isEmpty());
    if (withKillSwitch) {
        EXPECT_FALSE(manager.killSwitchEnabled());
        EXPECT_TRUE(
            run(QStringLiteral("nft"), {QStringLiteral("list"), QStringLiteral("ruleset")}).trimmed().isEmpty());
    }
}

TEST(EngineEndToEnd, ConnectCarryTrafficSurviveACoreCrashAndLeaveNothingBehind)
{
    if (NetworkNamespace::role() == QLatin1String("inside"))
        return scenario(true);
    QString why;
    if (!NetworkNamespace::available(&why)) {
        // The kill switch would change this machine's firewall: without a namespace it stays off.
        std::printf("Running without the kill switch: %s\n", qPrintable(why));
        return scenario(false);
    }
    NetworkNamespace network(QStringLiteral("e2e"));
    QString error;
    ASSERT_TRUE(network.create(&error)) << error.toStdString();
    auto inside = network.startSelf(kTest, QStringLiteral("inside"));
    ASSERT_TRUE(inside->waitForFinished(150000));
    const auto output = inside->readAll();
    EXPECT_EQ(inside->exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

} // namespace

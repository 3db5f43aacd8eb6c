// The dashboard driving the real connection: the connection manager with the wrapped v2ray as its
// core, a local Trojan server as the node, the networksetup stand-in as the system proxy.
#include "dashboard_fixture.h"

#include "connection/xray_manager.h"
#include "platform/process_runner.h"
#include "support/core_test_environment.h"
#include "support/local_http_server.h"
#include "support/proxy_client.h"
#include "support/root_script_runner.h"
#include "support/screenshot.h"
#include "support/trojan_server.h"
#include "ui/common/number_formats.h"
#include "ui/common/row_button.h"
#include "ui/dashboard/connection_card.h"
#include "ui/dashboard/proxy_info_view.h"
#include "ui/dashboard/speed_graph_view.h"
#include "ui/dashboard/traffic_cards.h"

#include <QLabel>

#include <algorithm>

namespace {

constexpr qint64 kDownload = 3 * 1024 * 1024;

} // namespace

TEST(DashboardEndToEnd, ConnectFromTheCardCarryTrafficWatchItAndDisconnect)
{
    QString why;
    if (!coreProxyPortsFree(&why))
        GTEST_SKIP() << "The core's ports 1080 and 1081 must be free for this test: " << why.toStdString();
    QTemporaryDir state;
    ASSERT_TRUE(useThrowawayNetworkServices(state.path(), {QStringLiteral("Ethernet")}, &why)) << why.toStdString();
    TrojanServer trojan;
    LocalHttpServer http;
    ASSERT_TRUE(trojan.start(&why)) << why.toStdString();
    // The core trusts the test authority that signed the Trojan server's certificate.
    qputenv("SSL_CERT_FILE", TrojanServer::caCertificate().toUtf8());

    QTemporaryDir runtime;
    const auto options = loopbackCoreOptions(runtime.path(), &why);
    ASSERT_TRUE(options) << why.toStdString();
    TempSettings settings;
    // Everything through the tunnel, the local destination included.
    settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("global"));
    const auto launcher = ChildProcessLauncher::makeNative();
    XrayManager xray(*settings.store, *launcher, *options);
    VpnTimings timings;
    timings.statsInterval = std::chrono::milliseconds(250);
    const auto processes = ProcessRunner::makeNative();
    const auto adminScripts = rootScriptRunner();
    VpnManager vpn(*settings.store, *processes, xray, *adminScripts, timings);

    AppStateWorld world(*settings.store);
    world.appState.setIsLoggedIn(true);
    world.appState.setNodes({trojan.node()});
    IpEndpointStub ipEndpoint;
    IPInfoService ipService({ipEndpoint.url()}, std::chrono::milliseconds(3000));
    StartupRules startup({.api = *world.api,
                          .appState = world.appState,
                          .vpnManager = vpn,
                          .settings = *settings.store,
                          .connection = vpn});
    DashboardView dashboard(
        {.connection = vpn, .appState = world.appState, .ipService = ipService, .startup = startup});
    dashboard.resize(480, 900);
    dashboard.show();
    auto& card = *dashboard.connectionCard();
    auto& traffic = *dashboard.trafficCard();

    // Connect from the card's button.
    ASSERT_TRUE(card.connectButton()->isEnabled());
    card.connectButton()->click();
    EXPECT_EQ(vpn.state(), ConnectionState::connecting);
    EXPECT_FALSE(card.connectButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vpn.state() == ConnectionState::connected; }, 30000));
    EXPECT_EQ(card.stateText()->text(), t("已连接"));
    EXPECT_EQ(card.buttonText()->text(), t("断开连接"));
    EXPECT_EQ(card.nodeName()->text(), trojan.node().name);
    EXPECT_TRUE(dashboard.detailsCard()->isVisibleTo(&dashboard));
    EXPECT_TRUE(card.proxyInfo()->isVisibleTo(&dashboard));

    // A download through the local SOCKS5 proxy and the tunnel moves the totals and the graph.
    const auto answer = QCoro::waitFor(fetchThroughSocks5(XrayManager::proxyPort, QHostAddress(QHostAddress::LocalHost),
                                                          http.port(), QStringLiteral("/bytes/%1").arg(kDownload)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, LocalHttpServer::bytesBody(kDownload));
    EXPECT_TRUE(QTest::qWaitFor([&] { return vpn.trafficDown() >= kDownload; }, 10000)) << vpn.trafficDown();
    EXPECT_EQ(traffic.downloaded()->text(), NumberFormat::byteCount(vpn.trafficDown()));
    EXPECT_NE(traffic.downloaded()->text(), QStringLiteral("0 B"));
    EXPECT_NE(traffic.uploaded()->text(), QStringLiteral("0 B"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return traffic.graph()->isVisibleTo(&dashboard); }, 5000));
    const auto samples = traffic.graph()->downData();
    EXPECT_TRUE(std::any_of(samples.cbegin(), samples.cend(), [](qint64 rate) { return rate > 0; }));
    EXPECT_EQ(samples, vpn.trafficHistoryDown());
    // The graph keeps following the statistics.
    const auto before = traffic.graph()->downData().size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return traffic.graph()->downData().size() > before; }, 5000));
    EXPECT_FALSE(saveScreenshot(dashboard, QStringLiteral("dashboard-end-to-end-connected")).isEmpty());

    // Disconnect from the same button: the core stops and the connection's cards go.
    card.connectButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vpn.state() == ConnectionState::disconnected; }, 15000));
    EXPECT_FALSE(xray.isRunning());
    EXPECT_EQ(card.stateText()->text(), t("未连接"));
    EXPECT_FALSE(dashboard.detailsCard()->isVisibleTo(&dashboard));
    EXPECT_FALSE(traffic.graph()->isVisibleTo(&dashboard));
    EXPECT_FALSE(QCoro::waitFor(fetchThroughSocks5(XrayManager::proxyPort, QHostAddress(QHostAddress::LocalHost),
                                                   http.port(), QStringLiteral("/hello"))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dashboard.isFetchingIP(); }, 5000));
}

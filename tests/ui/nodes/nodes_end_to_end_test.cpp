// The node list and the popover driving the real connection: the connection manager with the
// wrapped v2ray as its core, a local Trojan server as the node, the networksetup stand-in as the
// system proxy.
#include "nodes_fixture.h"

#include "connection/ping_service.h"
#include "connection/xray_manager.h"
#include "platform/fakes/fake_login_item.h"
#include "platform/language_manager.h"
#include "platform/process_runner.h"
#include "support/core_test_environment.h"
#include "support/local_http_server.h"
#include "support/proxy_client.h"
#include "support/root_script_runner.h"
#include "support/trojan_server.h"
#include "ui/common/button.h"
#include "ui/nodes/menu_bar_view.h"
#include "ui/nodes/node_list_model.h"
#include "ui/nodes/node_picker.h"
#include "ui/nodes/nodes_list_view.h"

#include <QListView>

namespace {

// Whether a request through the local SOCKS5 port reaches the local web server.
bool tunnelCarries(const LocalHttpServer& http)
{
    const auto answer = QCoro::waitFor(fetchThroughSocks5(XrayManager::proxyPort, QHostAddress(QHostAddress::LocalHost),
                                                          http.port(), QStringLiteral("/hello")));
    return answer.has_value();
}

} // namespace

class NodesEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        if (!coreProxyPortsFree(&why))
            GTEST_SKIP() << "The core's ports 1080 and 1081 must be free for this test: " << why.toStdString();
        ASSERT_TRUE(useThrowawayNetworkServices(state.path(), {QStringLiteral("Ethernet")}, &why)) << why.toStdString();
        ASSERT_TRUE(trojan.start(&why)) << why.toStdString();
        // The core trusts the test authority that signed the Trojan server's certificate.
        qputenv("SSL_CERT_FILE", TrojanServer::caCertificate().toUtf8());
        const auto options = loopbackCoreOptions(runtime.path(), &why);
        ASSERT_TRUE(options) << why.toStdString();
        // Everything through the tunnel, the local destination included.
        settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("global"));
        xray = std::make_unique<XrayManager>(*settings.store, *launcher, *options);
        vpn = std::make_unique<VpnManager>(*settings.store, *processes, *xray, *adminScripts);
        world = std::make_unique<AppStateWorld>(*settings.store);
        // As the application wires them: a successful connect makes the node a recent one.
        QObject::connect(vpn.get(), &VpnManager::nodeConnected, &world->appState, &AppState::addRecent);
        world->appState.setIsLoggedIn(true);
        // The Trojan node, and an offline one the tests never pick.
        world->appState.setNodes({trojan.node(7, QStringLiteral("Loopback Trojan")),
                                  makeNode(2, QStringLiteral("Away"), QStringLiteral("offline"))});
    }

    QTemporaryDir state;
    QTemporaryDir runtime;
    TrojanServer trojan;
    LocalHttpServer http;
    TempSettings settings;
    ScopedLanguage lookups{AppLanguage::zh};
    std::unique_ptr<ChildProcessLauncher> launcher = ChildProcessLauncher::makeNative();
    std::unique_ptr<ProcessRunner> processes = ProcessRunner::makeNative();
    std::unique_ptr<AdminScriptRunner> adminScripts = rootScriptRunner();
    std::unique_ptr<XrayManager> xray;
    std::unique_ptr<VpnManager> vpn;
    std::unique_ptr<AppStateWorld> world;
};

TEST_F(NodesEndToEnd, ConnectAndDisconnectFromTheListsBottomBar)
{
    PingService ping;
    NodesListView list(
        {.appState = world->appState, .connection = *vpn, .probe = [&ping](QString host, qint64 port, double timeout) {
             return ping.ping(std::move(host), port, timeout);
         }});
    list.resize(640, 600);
    list.show();

    // The real probe measures the Trojan server.
    list.startPingAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list.isPinging(); }, 5000));
    ASSERT_TRUE(list.nodePings().value(7).has_value());

    list.list()->setCurrentIndex(list.model()->index(*list.model()->rowOf(7)));
    ASSERT_TRUE(list.bottomBar()->isVisible());
    EXPECT_EQ(list.bottomBarButton()->text(), t("连接"));
    list.bottomBarButton()->click();
    EXPECT_TRUE(list.bottomBarProgress()->isVisible());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return vpn->state() == ConnectionState::connected && !list.connectingNode(); }, 30000));
    EXPECT_EQ(vpn->connectedNode()->id, 7);
    EXPECT_TRUE(tunnelCarries(http));
    EXPECT_TRUE(list.model()->nodeRow(*list.model()->rowOf(7)).isConnected);
    EXPECT_EQ(list.bottomBarButton()->text(), t("断开"));

    list.bottomBarButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vpn->state() == ConnectionState::disconnected; }, 15000));
    EXPECT_FALSE(xray->isRunning());
    EXPECT_FALSE(tunnelCarries(http));
    EXPECT_EQ(list.bottomBarButton()->text(), t("连接"));
}

TEST_F(NodesEndToEnd, ConnectAndDisconnectFromThePopoversNodePicker)
{
    FakeLoginItem loginItem;
    int quits = 0;
    MenuBarView popover({.connection = *vpn,
                         .appState = world->appState,
                         .languageManager = lookups.manager,
                         .settings = *settings.store,
                         .loginItem = loginItem,
                         .quit = [&quits] { ++quits; }});
    popover.setFixedSize(340, 520);
    popover.show();
    auto* picker = popover.nodePicker();
    // One heading and the online node.
    ASSERT_EQ(picker->model()->rowCount(), 2);
    const auto row = picker->model()->index(1);
    picker->list()->scrollTo(row);
    QTest::mouseClick(picker->list()->viewport(), Qt::LeftButton, {}, picker->list()->visualRect(row).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vpn->state() == ConnectionState::connected; }, 30000));
    EXPECT_TRUE(tunnelCarries(http));
    EXPECT_EQ(picker->model()->activeId(), std::optional<qint64>(7));
    // The connect made it a recent node, listed and marked.
    ASSERT_TRUE(QTest::qWaitFor([&] { return popover.recentRows().size() == 1; }, 5000));

    QTest::mouseClick(picker->list()->viewport(), Qt::LeftButton, {}, picker->list()->visualRect(row).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vpn->state() == ConnectionState::disconnected; }, 15000));
    EXPECT_FALSE(tunnelCarries(http));
    EXPECT_EQ(quits, 0);
}

// The proxy core for real, on loopback: the wrapped v2ray as our core, a second v2ray as the
// Trojan server, a local HTTP server as the destination.
#include "connection/xray_error.h"
#include "connection/xray_manager.h"
#include "platform/paths.h"
#include "platform/settings_keys.h"
#include "support/child_processes.h"
#include "support/core_test_environment.h"
#include "support/local_http_server.h"
#include "support/proxy_client.h"
#include "support/qt_printers.h"
#include "support/task_failure.h"
#include "support/temp_settings.h"
#include "support/trojan_server.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QHostAddress kLoopback(QHostAddress::LocalHost);

class CoreEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        if (!coreProxyPortsFree(&why))
            GTEST_SKIP() << "The core's ports 1080 and 1081 must be free for this test: " << why.toStdString();
        ASSERT_TRUE(trojan.start(&why)) << why.toStdString();
        // The core trusts the test authority that signed the Trojan server's certificate.
        qputenv("SSL_CERT_FILE", TrojanServer::caCertificate().toUtf8());
        const auto options = loopbackCoreOptions(runtime.path(), &why);
        ASSERT_TRUE(options) << why.toStdString();
        coreOptions = *options;
    }

    QString configDir() const { return coreOptions.configDir; }

    std::unique_ptr<XrayManager> makeManager(const QString& mode, const QString& resourcesDir = Paths::resourcesDir())
    {
        settings.store->setValue(SettingsKeys::mihomoMode, mode);
        XrayManager::Options options = coreOptions;
        options.resourcesDir = resourcesDir;
        return std::make_unique<XrayManager>(*settings.store, *launcher, options);
    }

    std::optional<XrayError> start(XrayManager& manager)
    {
        return failureOf<XrayError>(manager.start(trojan.node(), QStringLiteral("127.0.0.1")));
    }

    std::optional<HttpAnswer> fetchViaSocks(const QString& path = QStringLiteral("/hello"))
    {
        return QCoro::waitFor(fetchThroughSocks5(XrayManager::proxyPort, kLoopback, http.port(), path));
    }

    // Whether the Trojan server has carried a connection to the HTTP server.
    bool tunnelled()
    {
        return trojan.output().contains(QByteArray("accepted tcp:127.0.0.1:" + QByteArray::number(http.port())));
    }

    QTemporaryDir runtime;
    std::unique_ptr<ChildProcessLauncher> launcher = ChildProcessLauncher::makeNative();
    XrayManager::Options coreOptions;
    TempSettings settings;
    TrojanServer trojan;
    LocalHttpServer http;
};

TEST_F(CoreEndToEndTest, ATrojanNodeTunnelsThroughBothLocalProxies)
{
    auto manager = makeManager(QStringLiteral("global"));
    const auto error = start(*manager);
    ASSERT_FALSE(error) << error->description().toStdString();
    ASSERT_TRUE(manager->isRunning());

    const auto viaSocks = fetchViaSocks();
    ASSERT_TRUE(viaSocks);
    EXPECT_EQ(viaSocks->status, 200);
    EXPECT_EQ(viaSocks->body, LocalHttpServer::greeting());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tunnelled(); }, 5000)) << trojan.output().toStdString();

    const auto viaHttp = QCoro::waitFor(
        fetchThroughHttpProxy(XrayManager::httpPort, kLoopback, http.port(), QStringLiteral("/over-http")));
    ASSERT_TRUE(viaHttp);
    EXPECT_EQ(viaHttp->status, 200);
    EXPECT_EQ(viaHttp->body, LocalHttpServer::greeting());
    EXPECT_EQ(http.requests().size(), 2);
    manager->stop();
}

TEST_F(CoreEndToEndTest, TheRoutingModeDecidesAndAModeChangeRestartsTheCore)
{
    auto manager = makeManager(QStringLiteral("rule"));
    QSignalSpy kernelLog(manager.get(), &XrayManager::kernelLog);
    ASSERT_FALSE(start(*manager));
    const auto firstCore = manager->processId();

    // Rule mode: "CN" (here 127.0.0.0/8) goes direct, past the Trojan server.
    ASSERT_TRUE(fetchViaSocks());
    EXPECT_FALSE(tunnelled());

    QCoro::waitFor(manager->setMode(QStringLiteral("global")));
    ASSERT_TRUE(manager->isRunning());
    EXPECT_NE(manager->processId(), firstCore);
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/%1").arg(*firstCore))) << "the first core has ended";
    ASSERT_TRUE(fetchViaSocks());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tunnelled(); }, 5000));
    manager->stop();

    // Each core's log tells where its connection went: first direct, then through the tunnel.
    const auto destination = QStringLiteral("accepted tcp:127.0.0.1:%1 ").arg(http.port());
    QStringList routes;
    const auto collect = [&] {
        routes.clear();
        for (const auto& arguments : kernelLog) {
            for (const auto& line : arguments.at(0).toString().split(QLatin1Char('\n')))
                if (const auto at = line.indexOf(destination); at >= 0)
                    routes.append(line.mid(at + destination.size()));
        }
        return routes.size() >= 2;
    };
    EXPECT_TRUE(QTest::qWaitFor(collect, 5000));
    EXPECT_EQ(routes, (QStringList{QStringLiteral("[direct]"), QStringLiteral("[proxy]")}));
}

TEST_F(CoreEndToEndTest, TheTrafficCountersShowADownload)
{
    constexpr qint64 size = 10 * 1024 * 1024;
    auto manager = makeManager(QStringLiteral("global"));
    ASSERT_FALSE(start(*manager));
    const auto answer = fetchViaSocks(QStringLiteral("/bytes/%1").arg(size));
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->body.size(), size);
    EXPECT_EQ(answer->body, LocalHttpServer::bytesBody(size));
    // The monitor reports once a second.
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager->lastTraffic().down >= size * 9 / 10; }, 5000));
    const auto traffic = manager->lastTraffic();
    EXPECT_LE(traffic.down, size * 11 / 10);
    EXPECT_GT(traffic.up, 0);
    EXPECT_LT(traffic.up, size / 10);
    manager->stop();
    EXPECT_EQ(manager->lastTraffic().down, 0);
}

TEST_F(CoreEndToEndTest, StopLeavesNoChildProcessBehind)
{
    const auto before = childProcesses();
    auto manager = makeManager(QStringLiteral("global"));
    ASSERT_FALSE(start(*manager));
    // The core and its traffic monitor.
    EXPECT_TRUE(QTest::qWaitFor([&] { return childProcesses().size() == before.size() + 2; }, 5000));
    EXPECT_TRUE(childProcesses().contains(*manager->processId()));
    manager->stop();
    EXPECT_FALSE(manager->isRunning());
    EXPECT_EQ(childProcesses(), before);
}

TEST_F(CoreEndToEndTest, ACoreWithoutItsGeodataFailsToStart)
{
    // Resources holding the core but no data files, and no copies in the directory.
    QTemporaryDir resources;
    ASSERT_TRUE(
        QFile::link(Paths::resourcesDir() + QStringLiteral("/xray"), resources.filePath(QStringLiteral("xray"))));
    QFile::remove(configDir() + QStringLiteral("/geoip.dat"));
    QFile::remove(configDir() + QStringLiteral("/geosite.dat"));
    auto manager = makeManager(QStringLiteral("rule"), resources.path());
    const auto error = start(*manager);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::exitedAtStart);
    EXPECT_TRUE(error->description().startsWith(QStringLiteral("xray 内核启动后立即退出: ")))
        << error->description().toStdString();
    EXPECT_FALSE(manager->isRunning());
}

} // namespace

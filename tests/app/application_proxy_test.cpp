#include "app/application_proxy.h"

#include "api/api_service.h"
#include "api/reply_awaiter.h"
#include "app/ip_info_service.h"
#include "stand_in_service/stand_in_service.h"
#include "support/fake_vpn_connection.h"
#include "support/temp_settings.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The stand-in service plays the local core: a proxy that sees each request's absolute address.
// The addresses asked for are a closed port of this machine, so only a request through the proxy
// is answered. Written as 0.0.0.0: a direct connection to it stays on this machine, and it is no
// loopback address, for which Qt would ask no proxy.
class ApplicationProxyTest : public ::testing::Test {
protected:
    ApplicationProxyTest()
    {
        proxyPort = proxy.listenHttp();
        target = QStringLiteral("http://0.0.0.0:%1").arg(StandInService::closedPort());
    }

    TempSettings settings;
    FakeVpnConnection vpn;
    StandInService proxy;
    quint16 proxyPort = 0;
    QString target;
};

QCoro::Task<bool> plainDownload(QString url)
{
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(url))));
    co_await ReplyAwaiter(reply.get(), 3s);
    co_return reply->error() == QNetworkReply::NoError;
}

QCoro::Task<bool> serviceCall(SettingsStore* settings, QString base)
{
    ApiService api(*settings, {base}, ApiService::Options{.requestTimeout = 3s, .probeTimeout = 3s});
    try {
        co_await api.fetchNodes();
    } catch (...) {
        co_return false;
    }
    co_return true;
}

QCoro::Task<bool> publicAddress(QString url)
{
    IPInfoService lookup({QUrl(url)}, 3s);
    co_return (co_await lookup.fetchPublicIP()).has_value();
}

TEST_F(ApplicationProxyTest, EveryWebRequestOfTheApplicationTakesTheLocalCoreWhileTheSystemProxyPointsAtIt)
{
    ApplicationProxy application(vpn, QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxyPort));
    struct Case {
        const char* name;
        QString path;
        QByteArray answer;
        std::function<QCoro::Task<bool>()> request;
    };
    const Case cases[] = {
        {"a service call", QStringLiteral("/api/nodes"), R"({"ok":true,"data":[]})",
         [&] { return serviceCall(settings.store.get(), target); }},
        {"the public address lookup", QStringLiteral("/json"), R"({"ip":"192.0.2.40"})",
         [&] { return publicAddress(target + QStringLiteral("/json")); }},
        {"a download (update, payment code, speed test)", QStringLiteral("/static/test.bin"), "bytes",
         [&] { return plainDownload(target + QStringLiteral("/static/test.bin")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto absolute = target + c.path;
        StandInService::Override answer;
        answer.status = 200;
        answer.body = c.answer;
        proxy.setOverride(absolute, answer);

        vpn.setSystemProxyEnabled(true);
        EXPECT_EQ(application.current().port(), proxyPort);
        EXPECT_TRUE(QCoro::waitFor(c.request())) << "answered through the local core";
        EXPECT_EQ(proxy.requestsTo(absolute).size(), 1);

        vpn.setSystemProxyEnabled(false);
        EXPECT_EQ(application.current().type(), QNetworkProxy::NoProxy);
        EXPECT_FALSE(QCoro::waitFor(c.request())) << "straight to the closed port";
        EXPECT_EQ(proxy.requestsTo(absolute).size(), 1) << "nothing more through the core";
    }
}

TEST_F(ApplicationProxyTest, PlainSocketsNeverTakeIt)
{
    ApplicationProxy application(vpn, QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxyPort));
    vpn.setSystemProxyEnabled(true);
    // A latency probe reaches its node itself: the proxy would answer for any address. (0.0.0.0
    // as above: a loopback address would be no test.)
    QTcpServer node;
    ASSERT_TRUE(node.listen(QHostAddress::LocalHost));
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("0.0.0.0"), node.serverPort());
    ASSERT_TRUE(probe.waitForConnected(3000));
    EXPECT_TRUE(node.waitForNewConnection(3000));
    EXPECT_TRUE(proxy.requests().isEmpty());
}

} // namespace

// The client over HTTPS against the stand-in, as the application uses it after start-up.
#include "api_test_support.h"
#include "support/scoped_env.h"

#include <QDir>

using namespace api_test;

class HttpsTest : public ApiTest {
protected:
    void SetUp() override
    {
        const QDir certs(qEnvironmentVariable("VELMORAND_TEST_CERTS"));
        ASSERT_TRUE(certs.exists(QStringLiteral("server.crt"))) << "VELMORAND_TEST_CERTS names no certificates";
        caFile = certs.filePath(QStringLiteral("ca.crt"));
        httpsPort = service.listenHttps(certs.filePath(QStringLiteral("server.crt")),
                                        certs.filePath(QStringLiteral("server.key")));
        ASSERT_NE(httpsPort, 0) << service.lastError().toStdString();
        httpsUrl = service.baseUrl(httpsPort);
    }

    ScopedEnv apiCa{"VELMORAND_API_CA"};
    QString caFile;
    quint16 httpsPort = 0;
    QString httpsUrl;
};

TEST_F(HttpsTest, SignInProfileNodesAnnouncementsWithADeadFirstDomain)
{
    qputenv("VELMORAND_API_CA", caFile.toLocal8Bit());
    const QString dead = QStringLiteral("https://127.0.0.1:") + QString::number(StandInService::closedPort());
    auto client = makeClient({dead, httpsUrl});
    storeIndex(0);

    signIn(*client);
    const auto profile = awaitTask(client->fetchProfile());
    const auto nodes = awaitTask(client->fetchNodes());
    const auto announcements = awaitTask(client->fetchAnnouncements());

    EXPECT_EQ(storedIndex(), 1);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("[ApiService] 请求失败, 切换到 → ") + httpsUrl});
    ASSERT_TRUE(profile);
    EXPECT_TRUE(profile->ok);
    EXPECT_EQ(profile->email, service.state().account.email);
    EXPECT_EQ(nodes.size(), service.state().nodes.size());
    EXPECT_EQ(announcements.size(), service.state().announcements.size());
    for (const auto& request : service.requests())
        EXPECT_EQ(request.localPort, httpsPort);
}

TEST_F(HttpsTest, ACertificateNotTrustedFailsTheHandshakeAndAPostMovesOn)
{
    qunsetenv("VELMORAND_API_CA");
    auto client = makeClient({httpsUrl, url});
    signIn(*client);
    storeIndex(0);
    log.clear();

    // The handshake failed before anything was sent: the ticket is created once, on the next entry.
    const auto id = awaitTask(client->createTicket(QString(), QStringLiteral("证书错误")));

    EXPECT_GT(id, 0);
    EXPECT_EQ(storedIndex(), 1);
    EXPECT_EQ(log.count(QStringLiteral("[ApiService] 请求失败, 切换到 → ")), 1);
    const auto tickets = service.requestsTo(QStringLiteral("/api/tickets"));
    ASSERT_EQ(tickets.size(), 1);
    EXPECT_EQ(tickets.first().localPort, port);
}

TEST_F(HttpsTest, DiscoveryOverHttpsFindsTheServiceFromItsOwnPool)
{
    qputenv("VELMORAND_API_CA", caFile.toLocal8Bit());
    // The service names its TLS listener as a host under "primary"; the client writes "https://".
    service.state().domainPool = QJsonObject{
        {QStringLiteral("primary"), QJsonArray{QString(QStringLiteral("127.0.0.1:") + QString::number(httpsPort))}}};
    auto client = makeClient({url});
    storeIndex(0);

    awaitTask(client->discoverBestEndpoint());

    EXPECT_EQ(client->domainPool(), (QStringList{httpsUrl, url}));
    EXPECT_EQ(client->baseURL(), httpsUrl);
    EXPECT_EQ(service.requestsTo(QStringLiteral("/api/health")).first().localPort, httpsPort);
}

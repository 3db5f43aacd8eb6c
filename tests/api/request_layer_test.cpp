// The generic GET and POST: fail-over, answers with error statuses, the stored index, and a
// client destroyed while it waits.
#include "api_test_support.h"
#include "support/loopback_ports.h"

#include <QPointer>

using namespace api_test;

class RequestLayerTest : public ApiTest {
protected:
    quint16 silentPort = service.listenSilent();
    QString silentUrl = service.baseUrl(silentPort);
};

TEST_F(RequestLayerTest, GetFailsOverOncePerDeadEntryAndStoresTheAnsweringOne)
{
    auto client = makeClient({closedUrl(), silentUrl, url});
    storeIndex(0);

    const auto body = awaitTask(ApiServiceTestAccess::get(*client, QStringLiteral("/api/health")));

    EXPECT_TRUE(body.contains("healthy"));
    EXPECT_EQ(storedIndex(), 2);
    EXPECT_EQ(log.lines(), (QStringList{failOverLine + silentUrl, failOverLine + url}));
    EXPECT_EQ(client->baseURL(), url);
}

TEST_F(RequestLayerTest, GetThrowsTheLastTransportErrorAfterOneAttemptPerEntry)
{
    const auto closed = closedUrl();
    auto client = makeClient({silentUrl, closed, closedUrl()});
    storeIndex(0);

    const auto error = awaitError<TransportError>(ApiServiceTestAccess::get(*client, QStringLiteral("/api/health")));

    ASSERT_TRUE(error);
    // The third attempt went to the third entry, whose port refuses.
    EXPECT_EQ(error->code(), QNetworkReply::ConnectionRefusedError);
    EXPECT_EQ(storedIndex(), 2);
    EXPECT_EQ(log.count(failOverLine), 2);
    EXPECT_EQ(service.requests().size(), 0);
}

TEST_F(RequestLayerTest, AnErrorStatusIsAnAnswerWithoutRetryAndItsCookiesAreKept)
{
    auto client = makeClient({url, closedUrl()});
    StandInService::Override failure;
    failure.status = 500;
    failure.body = "{\"ok\":false,\"msg\":\"内部错误\"}";
    failure.setCookies = {"trace=abc; Path=/"};
    service.setOverride(QStringLiteral("/api/health"), failure);

    const auto body = awaitTask(ApiServiceTestAccess::get(*client, QStringLiteral("/api/health")));

    EXPECT_EQ(body, QByteArray("{\"ok\":false,\"msg\":\"内部错误\"}"));
    EXPECT_EQ(service.requests().size(), 1);
    EXPECT_EQ(log.count(failOverLine), 0);
    EXPECT_EQ(client->cookies().headerValue(QUrl(url)), QByteArray("trace=abc"));
}

TEST_F(RequestLayerTest, AStoredIndexOutsideThePoolCountsAsTheFirstEntryForFailOver)
{
    for (const qint64 stored : {qint64(3), qint64(5), qint64(-1)}) {
        service.clearRequests();
        log.clear();
        auto client = makeClient({closedUrl(), url, closedUrl()});
        storeIndex(stored);
        EXPECT_EQ(client->baseURL(), client->domainPool().first());

        awaitTask(ApiServiceTestAccess::get(*client, QStringLiteral("/api/health")));

        // Entry 0 was in use and failed: the next one is entry 1, not entry 0 again.
        EXPECT_EQ(storedIndex(), 1) << stored;
        EXPECT_EQ(log.lines(), QStringList{failOverLine + url}) << stored;
        EXPECT_EQ(service.requests().size(), 1) << stored;
    }
}

TEST_F(RequestLayerTest, PostIsRetriedWhenItsConnectionNeverOpened)
{
    // A host that drops packets: the connect waits until the request's time runs out.
    const SilentPort dropping;
    struct Case {
        const char* name;
        QString deadUrl;
    };
    for (const auto& c : {Case{"refused", closedUrl()}, Case{"connect timed out", service.baseUrl(dropping.port())}}) {
        SCOPED_TRACE(c.name);
        service.clearRequests();
        auto client = makeClient({c.deadUrl, url});
        storeIndex(1);
        signIn(*client);
        storeIndex(0);
        log.clear();

        const auto id = awaitTask(client->createTicket(QString(), QStringLiteral("节点连不上")));

        EXPECT_GT(id, 0);
        EXPECT_EQ(service.requestsTo(QStringLiteral("/api/tickets")).size(), 1);
        EXPECT_EQ(log.lines(), QStringList{failOverLine + url});
        EXPECT_EQ(storedIndex(), 1);
    }
}

TEST_F(RequestLayerTest, PostThatMayHaveReachedTheServiceIsNotRepeated)
{
    const auto second = service.listenHttp();
    auto client = makeClient({url, service.baseUrl(second)});
    signIn(*client);
    const auto ticketsBefore = service.state().tickets.size();

    struct Case {
        const char* name;
        StandInService::Override override;
    };
    StandInService::Override dropped;
    dropped.drop = true;
    dropped.port = port;
    StandInService::Override slow;
    slow.delay = 4s;
    slow.port = port;
    for (const auto& c : {Case{"dropped", dropped}, Case{"timed out", slow}}) {
        service.clearOverrides();
        service.clearRequests();
        log.clear();
        storeIndex(0);
        service.setOverride(QStringLiteral("/api/tickets"), c.override);

        const auto error = awaitError<TransportError>(client->createTicket(QString(), QStringLiteral("订单没到账")));

        EXPECT_TRUE(error) << c.name;
        EXPECT_EQ(service.requestsTo(QStringLiteral("/api/tickets")).size(), 1) << c.name;
        EXPECT_EQ(log.count(failOverLine), 0) << c.name;
        EXPECT_EQ(storedIndex(), 0) << c.name;
    }
    // The slow listener still created the ticket once; the dropped one created it before
    // dropping. Nothing was created twice.
    EXPECT_EQ(service.state().tickets.size(), ticketsBefore + 2);
}

TEST_F(RequestLayerTest, GetIsRetriedAfterADroppedConnection)
{
    const auto second = service.listenHttp();
    auto client = makeClient({url, service.baseUrl(second)});
    StandInService::Override dropped;
    dropped.drop = true;
    dropped.port = port;
    service.setOverride(QStringLiteral("/api/announcements"), dropped);
    storeIndex(0);

    const auto announcements = awaitTask(client->fetchAnnouncements());

    EXPECT_EQ(announcements.size(), service.state().announcements.size());
    // Qt itself may send a GET again on the same entry first; then the client moves on.
    const auto requests = service.requestsTo(QStringLiteral("/api/announcements"));
    ASSERT_GE(requests.size(), 2);
    EXPECT_EQ(requests.last().localPort, second);
    EXPECT_EQ(storedIndex(), 1);
    EXPECT_EQ(log.count(failOverLine), 1);
}

TEST_F(RequestLayerTest, AnEmptyPoolRefusesEveryRequest)
{
    auto client = makeClient({});
    EXPECT_TRUE(awaitError<ApiError>(ApiServiceTestAccess::get(*client, QStringLiteral("/api/health"))));
    EXPECT_TRUE(awaitError<ApiError>(ApiServiceTestAccess::post(*client, QStringLiteral("/api/convert"), {})));
    const auto login = awaitError<LoginError>(client->login(QStringLiteral("a@b.c"), QStringLiteral("x")));
    ASSERT_TRUE(login);
    EXPECT_EQ(login->description(), QStringLiteral("网络错误: unknown"));
    EXPECT_EQ(client->baseURL(), QString());
}

TEST_F(RequestLayerTest, AClientDestroyedWhileWaitingNeverResumesIntoItself)
{
    auto* client = new ApiService(*settings.store, {silentUrl}, fastOptions());
    QPointer<ApiService> guard(client);
    auto state = std::make_shared<Settled<std::optional<UserProfileResponse>>>();
    settle(client->fetchProfile(), state);
    spin(100ms);
    delete client;
    EXPECT_FALSE(state->done); // nothing resumes inside the destruction
    spin(100ms);

    EXPECT_FALSE(guard);
    // The call ends, after the destruction, with a transport error: never with an answer.
    ASSERT_TRUE(state->done);
    ASSERT_TRUE(state->error);
    EXPECT_THROW(std::rethrow_exception(state->error), TransportError);
}

TEST_F(RequestLayerTest, AnAnswerBrokenOffInItsBodyIsATransportFailure)
{
    const auto broken = service.listenHttp();
    const QByteArray configuration = "mixed-port: 7890\nproxies:\n  - {name: 香港 01, server: 10.0.0.1, port: 443}\n";
    for (const auto bodyBreak : {BodyBreak::closed, BodyBreak::silent}) {
        const auto* name = bodyBreak == BodyBreak::closed ? "connection closed" : "connection silent";
        service.clearOverrides();
        service.clearRequests();
        StandInService::Override cut;
        cut.bodyBreak = bodyBreak;
        cut.port = broken;
        service.setOverride(QStringLiteral("/api/announcements"), cut);
        service.setOverride(QStringLiteral("/api/login"), cut);
        auto subscription = answer(200, configuration);
        subscription.bodyBreak = bodyBreak;
        service.setOverride(QStringLiteral("/api/subscription"), subscription);
        auto client = makeClient({service.baseUrl(broken), url});

        // A GET and the sign-in move on to the next entry and get the whole answer there.
        storeIndex(0);
        log.clear();
        EXPECT_EQ(awaitTask(client->fetchAnnouncements()).size(), service.state().announcements.size()) << name;
        EXPECT_EQ(storedIndex(), 1) << name;
        EXPECT_EQ(log.lines(), QStringList{failOverLine + url}) << name;
        storeIndex(0);
        log.clear();
        signIn(*client);
        EXPECT_EQ(storedIndex(), 1) << name;
        EXPECT_EQ(log.lines(), QStringList{failOverLine + url}) << name;

        // Half a configuration is never handed out as one.
        auto lone = makeClient({service.baseUrl(broken)});
        EXPECT_TRUE(awaitError<TransportError>(lone->fetchSubscriptionConfig())) << name;
    }
}

#include "api/app_sign.h"
#include "support/table_row.h"

#include "api_test_support.h"

#include <QJsonDocument>

using namespace api_test;

// Known answers computed independently (HMAC-SHA256 over the decimal text, keyed with the 64
// bytes of the key text).
TEST(AppSign, KnownAnswerVectors)
{
    struct Case {
        qint64 seconds;
        QByteArray timestamp;
        QByteArray signature;
    };
    const Case cases[] = {
        {1700000000, "1700000000", "ca98bac4c0caf6ef845243ca1b6ea081056ad4959d8fc3b7a087678157dba29b"},
        {1712345678, "1712345678", "6b0457c5d0753417bbcf7658b1c89c0db90f2bcb40d06e3fa594f8ca3f903dcf"},
        {0, "0", "595e04305db77424293065948e64a10457daed1e36f38eba888b650978ae6e62"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(AppSign::timestampText(c.seconds), c.timestamp);
        EXPECT_EQ(AppSign::signature(c.timestamp), c.signature) << c.timestamp.constData();
    }
}

class SignedRequestTest : public ApiTest {
protected:
    static ApiService::Options fixedClock()
    {
        auto options = fastOptions();
        options.unixTime = [] { return qint64(1700000000); };
        return options;
    }
};

TEST_F(SignedRequestTest, PostCarriesTheSigningHeadersOverTheTimestampOnly)
{
    auto client = makeClient({url}, fixedClock());
    const auto result = awaitTask(client->requestWithdraw(QStringLiteral("bank")));

    const auto posts = service.requestsTo(QStringLiteral("/api/user/withdraw"));
    ASSERT_EQ(posts.size(), 1);
    const auto& request = posts.first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(request.header("X-Velmorand-App"), QByteArray("1"));
    EXPECT_EQ(request.header("X-Velmorand-App-Ts"), QByteArray("1700000000"));
    EXPECT_EQ(request.header("X-Velmorand-App-Sign"),
              QByteArray("ca98bac4c0caf6ef845243ca1b6ea081056ad4959d8fc3b7a087678157dba29b"));
    EXPECT_EQ(QJsonDocument::fromJson(request.body).object(),
              (QJsonObject{{QStringLiteral("note"), QStringLiteral("bank")}}));
    // The stand-in checks signatures against its own clock: a 2023 timestamp is stale.
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("签名校验失败"));
}

TEST_F(SignedRequestTest, PostsWithinOneSecondCarryTheSameSignature)
{
    auto client = makeClient({url}, fixedClock());
    awaitTask(ApiServiceTestAccess::post(*client, QStringLiteral("/api/convert"),
                                         {{QStringLiteral("url"), QStringLiteral("a")}}));
    awaitTask(ApiServiceTestAccess::post(*client, QStringLiteral("/api/tickets"),
                                         {{QStringLiteral("subject"), QStringLiteral("b")}}));

    const auto& log = service.requests();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].header("X-Velmorand-App-Ts"), log[1].header("X-Velmorand-App-Ts"));
    EXPECT_EQ(log[0].header("X-Velmorand-App-Sign"), log[1].header("X-Velmorand-App-Sign"));
}

TEST_F(SignedRequestTest, PostWithAnEmptyBodySendsNoBodyButIsSigned)
{
    auto client = makeClient({url});
    awaitTask(ApiServiceTestAccess::post(*client, QStringLiteral("/api/user/withdraw"), {}));

    ASSERT_EQ(service.requests().size(), 1);
    const auto& request = service.requests().first();
    EXPECT_TRUE(request.body.isEmpty());
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
    const auto ts = request.header("X-Velmorand-App-Ts");
    ASSERT_TRUE(ts);
    EXPECT_EQ(request.header("X-Velmorand-App-Sign"), AppSign::signature(*ts));
}

TEST_F(SignedRequestTest, GetIsNotSignedAndAsksForJson)
{
    auto client = makeClient({url});
    awaitTask(client->fetchAnnouncements());

    ASSERT_EQ(service.requests().size(), 1);
    const auto& request = service.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.header("Accept"), QByteArray("application/json"));
    EXPECT_FALSE(request.header("X-Velmorand-App"));
    EXPECT_FALSE(request.header("X-Velmorand-App-Sign"));
    EXPECT_FALSE(request.header("Cookie"));
}

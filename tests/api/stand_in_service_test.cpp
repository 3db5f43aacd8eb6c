// The stand-in service's own rules, seen from a plain HTTP client: what it refuses and what it
// records. (Its answers to the client's calls are covered by the call tests.)
#include "api/app_sign.h"

#include "api_test_support.h"
#include "stand_in_service/http_message.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <QCoroNetworkReply>

using namespace api_test;

namespace {

struct RawAnswer {
    int status = 0;
    QJsonObject json;
};

QCoro::Task<RawAnswer> rawPost(QNetworkAccessManager* network, QUrl url, QList<QPair<QByteArray, QByteArray>> headers,
                               QByteArray body)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    std::unique_ptr<QNetworkReply> reply(co_await network->post(request, body));
    co_return RawAnswer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                        QJsonDocument::fromJson(reply->readAll()).object()};
}

} // namespace

class StandInServiceTest : public ApiTest {
protected:
    RawAnswer post(const QString& path, const QList<QPair<QByteArray, QByteArray>>& headers)
    {
        const QUrl target(url + path);
        return awaitTask(
            rawPost(&network, target, headers, R"({"email":"demo@velmorand.test","password":"velmorand-demo"})"));
    }
    static QList<QPair<QByteArray, QByteArray>> signature(qint64 seconds, QByteArray sign = {})
    {
        const auto ts = AppSign::timestampText(seconds);
        return {{"X-Velmorand-App", "1"},
                {"X-Velmorand-App-Ts", ts},
                {"X-Velmorand-App-Sign", sign.isEmpty() ? AppSign::signature(ts) : sign}};
    }

    QNetworkAccessManager network;
};

TEST_F(StandInServiceTest, EveryPostNeedsAFreshValidSignature)
{
    const auto now = QDateTime::currentSecsSinceEpoch();
    struct Case {
        const char* name;
        QList<QPair<QByteArray, QByteArray>> headers;
        int status;
    };
    auto withoutApp = signature(now);
    withoutApp.removeFirst();
    const Case cases[] = {
        {"valid", signature(now), 200},
        {"missing", {}, 403},
        {"without the app header", withoutApp, 403},
        {"wrong signature", signature(now, QByteArray(64, 'a')), 403},
        {"stale timestamp", signature(now - 3600), 403},
    };
    for (const auto& c : cases) {
        const auto answer = post(QStringLiteral("/api/login"), c.headers);
        EXPECT_EQ(answer.status, c.status) << c.name;
        if (c.status == 403) {
            EXPECT_EQ(answer.json.value(QLatin1String("msg")), QStringLiteral("签名校验失败")) << c.name;
        }
    }
}

TEST_F(StandInServiceTest, AccountCallsNeedTheSession)
{
    const auto now = QDateTime::currentSecsSinceEpoch();
    const auto answer = post(QStringLiteral("/api/order/create"), signature(now));
    EXPECT_EQ(answer.status, 401);
    EXPECT_EQ(answer.json,
              (QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("msg"), QStringLiteral("请先登录")}}));
    auto forged = signature(now);
    forged.append(qMakePair(QByteArray("Cookie"), QByteArray("velmorand_session=0123456789abcdef")));
    EXPECT_EQ(post(QStringLiteral("/api/order/create"), forged).status, 401);
    EXPECT_EQ(post(QStringLiteral("/api/nowhere"), signature(now)).status, 404);
}

TEST_F(StandInServiceTest, TheLogHoldsMethodTargetHeadersAndBody)
{
    post(QStringLiteral("/api/login?via=test"), signature(QDateTime::currentSecsSinceEpoch()));

    ASSERT_EQ(service.requests().size(), 1);
    const auto& request = service.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, QByteArray("/api/login?via=test"));
    EXPECT_EQ(request.path(), QStringLiteral("/api/login"));
    EXPECT_EQ(request.queryItem(QStringLiteral("via")), QStringLiteral("test"));
    EXPECT_EQ(request.header("x-velmorand-app"), QByteArray("1"));
    EXPECT_TRUE(request.body.contains("velmorand-demo"));
    EXPECT_EQ(request.localPort, port);
}

TEST_F(StandInServiceTest, OverridesApplyAsManyTimesAsAsked)
{
    StandInService::Override once;
    once.status = 503;
    once.body = "{}";
    once.times = 1;
    service.setOverride(QStringLiteral("/api/login"), once);
    const auto now = QDateTime::currentSecsSinceEpoch();
    EXPECT_EQ(post(QStringLiteral("/api/login"), signature(now)).status, 503);
    EXPECT_EQ(post(QStringLiteral("/api/login"), signature(now)).status, 200);
}

TEST(StandInRequestParser, ARequestArrivingInAnyPiecesParsesTheSame)
{
    const QByteArray request = "POST /api/x?token=a%20b HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: session=s1; other=2\r\n"
                               "Content-Length: 5\r\n\r\nhello";
    for (const qsizetype piece : std::initializer_list<qsizetype>{1, 2, 3, 4, 7, request.size()}) {
        HttpRequestParser parser;
        auto state = HttpRequestParser::State::incomplete;
        for (qsizetype at = 0; at < request.size(); at += piece) {
            ASSERT_EQ(state, HttpRequestParser::State::incomplete) << piece;
            state = parser.feed(request.mid(at, piece));
        }
        ASSERT_EQ(state, HttpRequestParser::State::complete) << piece;
        EXPECT_EQ(parser.request().path(), QStringLiteral("/api/x"));
        EXPECT_EQ(parser.request().queryItem(QStringLiteral("token")), QStringLiteral("a b"));
        EXPECT_EQ(parser.request().cookies("session"), QList<QByteArray>{"s1"});
        EXPECT_EQ(parser.request().body, QByteArray("hello"));
    }
}

TEST(StandInRequestParser, AHeadWithoutEndIsRefusedPastItsLimit)
{
    HttpRequestParser parser;
    auto state = parser.feed("GET / HTTP/1.1\r\n");
    // A byte at a time, as a slow client sends it; each piece is scanned once.
    for (int i = 0; i < 70 * 1024 && state == HttpRequestParser::State::incomplete; ++i)
        state = parser.feed("x");
    EXPECT_EQ(state, HttpRequestParser::State::malformed);
}

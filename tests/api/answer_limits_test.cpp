// Answers nobody planned for: far too large, never ending, never finishing, nested without end.
// Each ends the call with a clear error, without reading the body into memory.
#include "api_test_support.h"

#include "support/local_http_server.h"

using namespace api_test;

namespace {

class AnswerLimitsTest : public ApiTest {
protected:
    LocalHttpServer server;
    QString serverUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
};

TEST_F(AnswerLimitsTest, HugeOrEndlessBodiesAreCutOffAtTheSizeLimit)
{
    for (const auto mode : {LocalHttpServer::Mode::oversized, LocalHttpServer::Mode::endless}) {
        server.setMode(mode);
        auto options = fastOptions();
        options.answerSizeLimit = 2 * 1024 * 1024;
        auto client = makeClient({serverUrl}, options);
        const auto before = server.streamedBytes();

        const auto error = awaitError<TransportError>(ApiServiceTestAccess::get(*client, QStringLiteral("/api/nodes")));

        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), QNetworkReply::ProtocolFailure);
        EXPECT_TRUE(error->description().contains(QStringLiteral("larger than 2097152 bytes")))
            << error->description().toStdString();
        // The reply was aborted: what the server could hand over stays near the limit (plus what
        // the loopback socket buffers hold), far from the 100 MB or the endless stream.
        spin(200ms);
        const auto streamed = server.streamedBytes() - before;
        EXPECT_LT(streamed, 2 * options.answerSizeLimit + 16 * 1024 * 1024) << streamed;
        const auto settled = server.streamedBytes();
        spin(200ms);
        EXPECT_EQ(server.streamedBytes(), settled);
    }
}

// The limit is the largest answer taken: one of exactly that size arrives whole, one byte more is
// cut off.
TEST_F(AnswerLimitsTest, AnAnswerOfExactlyTheSizeLimitArrivesAndOneByteMoreIsCutOff)
{
    auto options = fastOptions();
    options.answerSizeLimit = 64 * 1024;
    auto client = makeClient({url}, options);
    struct Case {
        const char* name;
        qint64 size;
        bool arrives;
    };
    for (const auto& c : {Case{"at the limit", options.answerSizeLimit, true},
                          Case{"one byte over", options.answerSizeLimit + 1, false}}) {
        SCOPED_TRACE(c.name);
        const QByteArray body(c.size, 'x');
        answerWith(QStringLiteral("/api/nodes"), body);
        if (c.arrives) {
            const auto received = awaitTask(ApiServiceTestAccess::get(*client, QStringLiteral("/api/nodes")));
            EXPECT_EQ(received.size(), body.size());
            EXPECT_TRUE(received == body);
            continue;
        }
        const auto error = awaitError<TransportError>(ApiServiceTestAccess::get(*client, QStringLiteral("/api/nodes")));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), QNetworkReply::ProtocolFailure);
        EXPECT_TRUE(error->description().contains(QStringLiteral("larger than 65536 bytes")))
            << error->description().toStdString();
    }
}

TEST_F(AnswerLimitsTest, AnAnswerThatDoesNotEndByTheDeadlineIsATransportFailure)
{
    server.setMode(LocalHttpServer::Mode::silent);
    auto options = fastOptions();
    options.requestTimeout = 20s; // the idle time-out would fire later: the deadline decides
    options.answerDeadline = 300ms;
    auto client = makeClient({serverUrl}, options);

    const auto error = awaitError<TransportError>(ApiServiceTestAccess::get(*client, QStringLiteral("/api/nodes")));

    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), QNetworkReply::TimeoutError);
    EXPECT_TRUE(error->description().contains(QStringLiteral("did not end within 0.3 s")))
        << error->description().toStdString();
}

TEST_F(AnswerLimitsTest, DeeplyNestedAnswersFailAsNotJson)
{
    auto client = makeClient({url});
    answerWith(QStringLiteral("/api/nodes"), QByteArray(1000000, '[') + QByteArray(1000000, ']'));
    answerWith(QStringLiteral("/api/user/withdraws"), "{\"withdraws\": " + QByteArray(100000, '{'));

    const auto nodes = awaitError<DecodingError>(client->fetchNodes());
    ASSERT_TRUE(nodes);
    EXPECT_TRUE(nodes->description().contains(QStringLiteral("nested"))) << nodes->description().toStdString();
    EXPECT_TRUE(awaitError<DecodingError>(client->fetchWithdraws()));
}

} // namespace

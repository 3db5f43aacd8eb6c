#include "speed_test.h"

#include "api/reply_awaiter.h"
#include "connection/ping_service.h"
#include "connection/vpn_connection.h"
#include "platform/text_format.h"
#include "platform/while_alive.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace {
const QString kFailed = QStringLiteral("--");

// Counts the body's bytes as they come and keeps none of them. A server that ignores the range
// would send its whole file: the reply is ended once the range's length has come.
class RangeCounter {
public:
    explicit RangeCounter(qint64 length)
        : m_length(length)
    {
    }

    void take(QNetworkReply& reply)
    {
        // Ended by abort(): nothing is left to read.
        if (!reply.isOpen())
            return;
        m_counted += reply.skip(qMin(reply.bytesAvailable(), m_length - m_counted));
        if (complete() && !reply.isFinished())
            reply.abort();
    }

    bool complete() const { return m_counted >= m_length; }
    qint64 counted() const { return m_counted; }

private:
    const qint64 m_length;
    qint64 m_counted = 0;
};

} // namespace

QString latencyText(const std::optional<qint64>& latency)
{
    if (!latency)
        return kFailed;
    return i18n::format(QStringLiteral("%d ms"), *latency);
}

SpeedTest::SpeedTest(VpnConnection& connection, PingService& ping, Options options, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_ping(ping)
    , m_options(std::move(options))
{
    if (m_options.proxy)
        m_network.setProxy(*m_options.proxy);
}

QCoro::Task<SpeedTestResult> SpeedTest::run()
{
    const auto latency = co_await whileAlive(this, measureLatency());
    if (!latency)
        co_return SpeedTestResult{kFailed, std::nullopt};
    const auto download = co_await measureDownloadSpeed();
    co_return SpeedTestResult{download, *latency};
}

QCoro::Task<std::optional<qint64>> SpeedTest::measureLatency()
{
    const auto node = m_connection.connectedNode();
    if (!node)
        co_return std::nullopt;
    co_return co_await m_ping.ping(node->server, node->port, m_options.latencyTimeoutSeconds);
}

QCoro::Task<QString> SpeedTest::measureDownloadSpeed()
{
    if (!m_options.file.isValid())
        co_return QStringLiteral("0 Mbps");
    QElapsedTimer clock;
    clock.start();
    QNetworkRequest request(m_options.file);
    request.setTransferTimeout(int(m_options.idleTimeout.count()));
    request.setRawHeader("Range", "bytes=0-" + QByteArray::number(requestedBytes - 1));
    auto* reply = m_network.get(request);
    // The reply never holds more than the range unread, however fast the server sends.
    reply->setReadBufferSize(requestedBytes);
    const auto counter = std::make_shared<RangeCounter>(requestedBytes);
    connect(reply, &QNetworkReply::readyRead, reply, [counter, reply] { counter->take(*reply); });
    QTimer::singleShot(m_options.overallTimeout, reply, &QNetworkReply::abort);
    // The reply belongs to this test's network access: it is gone when the test is, and nothing
    // of the test is used once it has come.
    reply = co_await ReplyAwaiter(reply);
    if (!reply)
        co_return kFailed;
    reply->deleteLater();
    // What came with the end of the answer is still unread.
    counter->take(*reply);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Ended here once the range had come: that is a complete download, not a failure.
    const bool received = reply->error() == QNetworkReply::NoError || counter->complete();
    if (!received || (status != 200 && status != 206))
        co_return kFailed;
    co_return rateText(counter->counted(), seconds);
}

QString SpeedTest::rateText(qint64 bytes, double seconds)
{
    if (!(seconds > 0))
        return QStringLiteral("0 Mbps");
    return i18n::format(QStringLiteral("%.1f Mbps"), double(bytes) * 8 / seconds / 1000000);
}

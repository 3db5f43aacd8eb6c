#include "speed_test.h"

#include "api/reply_awaiter.h"
#include "connection/ping_service.h"
#include "connection/vpn_manager.h"
#include "platform/text_format.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace {
const QString kFailed = QStringLiteral("--");
} // namespace

QString latencyText(const std::optional<qint64>& latency)
{
    if (!latency)
        return kFailed;
    return i18n::format(QStringLiteral("%d ms"), *latency);
}

SpeedTest::SpeedTest(VpnManager& vpnManager, PingService& ping, Options options, QObject* parent)
    : QObject(parent)
    , m_vpnManager(vpnManager)
    , m_ping(ping)
    , m_options(std::move(options))
{
    if (m_options.proxy)
        m_network.setProxy(*m_options.proxy);
}

QCoro::Task<SpeedTestResult> SpeedTest::run()
{
    QPointer<SpeedTest> self(this);
    const auto latency = co_await measureLatency();
    if (!self)
        co_return SpeedTestResult{kFailed, latency};
    const auto download = co_await measureDownloadSpeed();
    co_return SpeedTestResult{download, latency};
}

QCoro::Task<std::optional<qint64>> SpeedTest::measureLatency()
{
    const auto node = m_vpnManager.connectedNode();
    if (!node)
        co_return std::nullopt;
    co_return co_await m_ping.ping(node->server, node->port, m_options.latencyTimeoutSeconds);
}

QCoro::Task<QString> SpeedTest::measureDownloadSpeed()
{
    if (!m_options.file.isValid())
        co_return QStringLiteral("0 Mbps");
    QPointer<SpeedTest> self(this);
    QElapsedTimer clock;
    clock.start();
    QNetworkRequest request(m_options.file);
    request.setTransferTimeout(int(m_options.idleTimeout.count()));
    request.setRawHeader("Range", "bytes=0-" + QByteArray::number(requestedBytes - 1));
    auto* reply = m_network.get(request);
    QTimer::singleShot(m_options.overallTimeout, reply, &QNetworkReply::abort);
    reply = co_await ReplyAwaiter(reply);
    if (!self || !reply)
        co_return kFailed;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || (status != 200 && status != 206))
        co_return kFailed;
    const qint64 bytes = reply->readAll().size();
    co_return rateText(bytes, double(clock.nsecsElapsed()) / 1e9);
}

QString SpeedTest::rateText(qint64 bytes, double seconds)
{
    if (!(seconds > 0))
        return QStringLiteral("0 Mbps");
    return i18n::format(QStringLiteral("%.1f Mbps"), double(bytes) * 8 / seconds / 1000000);
}

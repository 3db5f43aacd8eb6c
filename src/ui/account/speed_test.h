#pragma once

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QObject>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

class PingService;
class VpnConnection;

// The outcome of one speed test, as shown.
struct SpeedTestResult {
    // "12.3 Mbps"; "--" when the download failed or was not a file; "0 Mbps" when no time passed.
    QString download;
    // The connect time to the node in milliseconds; none when the probe failed.
    std::optional<qint64> latency;
};

// "35 ms", or "--" when nothing was measured: a failed probe is no latency of 0 ms.
QString latencyText(const std::optional<qint64>& latency);

// Measures the running connection: the TCP connect time to the connected node, then the
// download rate of the first mebibyte of the service's test file fetched through the tunnel.
// Only a 200 or 206 answer counts as a download: an error page says nothing about the speed.
// A server that ignores the range asked for is read no further than it: the rest is never kept.
class SpeedTest : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The service's "/static/test.bin".
        QUrl file;
        // A proxy of the download's own; without one it takes the application's, which is the
        // local core's while the system proxy points at it.
        std::optional<QNetworkProxy> proxy;
        // A download that receives nothing for this long fails; one that takes longer than the
        // overall limit fails too.
        std::chrono::milliseconds idleTimeout{5000};
        std::chrono::milliseconds overallTimeout{60000};
        double latencyTimeoutSeconds = 3.0;
    };

    static constexpr qint64 requestedBytes = 1048576;

    SpeedTest(VpnConnection& connection, PingService& ping, Options options, QObject* parent = nullptr);

    // Latency first, then the download.
    QCoro::Task<SpeedTestResult> run();
    QCoro::Task<std::optional<qint64>> measureLatency();
    QCoro::Task<QString> measureDownloadSpeed();

    // Megabits per second with one decimal ("4.2 Mbps"), "0 Mbps" when no time passed.
    static QString rateText(qint64 bytes, double seconds);

private:
    VpnConnection& m_connection;
    PingService& m_ping;
    Options m_options;
    QNetworkAccessManager m_network;
};

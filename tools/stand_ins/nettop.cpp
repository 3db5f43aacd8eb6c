// The "nettop" stand-in: prints, once a second, the bytes the proxy core has received and sent
// through its outbounds, as nettop's per-process logging mode would:
//   nettop -P -l SAMPLES -J bytes_in,bytes_out -p PID
//   -> "NAME.PID BYTES_IN B BYTES_OUT B" per sample (running totals since the core started)
// The figures come from the core's statistics service, whose address the core wrapper left for
// us (core_stats_api.h). Ends after SAMPLES lines, or when the process is gone.
#include "core_stats_api.h"
#include "protobuf_wire.h"
#include "stats_query.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

struct Options {
    qint64 pid = 0;
    qint64 samples = 1;
};

std::optional<Options> parseOptions(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const auto& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("-p") && hasValue)
            options.pid = arguments[++i].toLongLong();
        else if (argument == QLatin1String("-l") && hasValue)
            options.samples = arguments[++i].toLongLong();
        else if (argument == QLatin1String("-J") && hasValue)
            ++i; // the columns are always bytes_in and bytes_out
        else if (argument != QLatin1String("-P"))
            return std::nullopt;
    }
    if (options.pid <= 0 || options.samples <= 0)
        return std::nullopt;
    return options;
}

QString procFile(qint64 pid, const char* name)
{
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name));
}

QByteArray readProcFile(qint64 pid, const char* name)
{
    QFile file(procFile(pid, name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray statsAddress(qint64 pid)
{
    QFile file(CoreStatsApi::addressFile(pid));
    if (file.open(QIODevice::ReadOnly))
        return file.readAll().trimmed();
    const QByteArray prefix = QByteArray(CoreStatsApi::addressVariable) + "=";
    for (const auto& entry : readProcFile(pid, "environ").split('\0'))
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    return {};
}

// A gRPC message: no compression, 32-bit big-endian length, then the protobuf bytes.
QByteArray grpcFrame(const QByteArray& message)
{
    QByteArray frame(5, '\0');
    const auto length = quint32(message.size());
    for (int i = 0; i < 4; ++i)
        frame[1 + i] = char((length >> (24 - 8 * i)) & 0xff);
    return frame + message;
}

class Monitor : public QObject {
public:
    Monitor(Options options, QByteArray address)
        : m_options(options)
        , m_name(readProcFile(options.pid, "comm").trimmed())
        , m_url(QUrl(QStringLiteral("http://") + QString::fromLatin1(address) + QLatin1String(CoreStatsApi::queryPath)))
    {
        connect(&m_timer, &QTimer::timeout, this, &Monitor::sample);
        m_timer.start(1000);
        sample();
    }

private:
    void sample()
    {
        if (!QFile::exists(procFile(m_options.pid, "stat"))) {
            QCoreApplication::exit(0);
            return;
        }
        QNetworkRequest request(m_url);
        // The statistics service speaks gRPC: HTTP/2 without TLS, known in advance.
        request.setAttribute(QNetworkRequest::Http2DirectAttribute, true);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/grpc"));
        request.setRawHeader("te", "trailers");
        QByteArray query;
        ProtobufWire::appendBytesField(query, 1, CoreStatsApi::outboundPattern);
        auto* reply = m_network.post(request, grpcFrame(query));
        connect(reply, &QNetworkReply::finished, this, [this, reply] {
            reply->deleteLater();
            const auto totals = StatsQuery::parseResponse(reply->readAll());
            if (reply->error() != QNetworkReply::NoError || !totals)
                return;
            std::printf("%s.%lld %lld B %lld B\n", m_name.constData(), m_options.pid, totals->down, totals->up);
            std::fflush(stdout);
            if (++m_printed >= m_options.samples)
                QCoreApplication::exit(0);
        });
    }

    Options m_options;
    QByteArray m_name;
    QUrl m_url;
    QNetworkAccessManager m_network;
    QTimer m_timer;
    qint64 m_printed = 0;
};

} // namespace

int main(int argc, char** argv)
{
    // Qt's HTTP/2 client complains about the gRPC trailers it does not expect; the answer is
    // read all the same. Our output is the figures and our own messages alone.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QCoreApplication app(argc, argv);
    const auto options = parseOptions(app.arguments());
    if (!options) {
        std::fprintf(stderr, "usage: nettop -P -l SAMPLES -J bytes_in,bytes_out -p PID\n");
        return 2;
    }
    const auto address = statsAddress(options->pid);
    if (address.isEmpty()) {
        std::fprintf(stderr, "nettop: no traffic counters for process %lld\n", options->pid);
        return 1;
    }
    Monitor monitor(*options, address);
    return app.exec();
}

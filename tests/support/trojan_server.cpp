#include "trojan_server.h"

#include "loopback_ports.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <sys/prctl.h>

#include <csignal>

namespace {

QString certsDir() { return qEnvironmentVariable("VELMORAND_TEST_CERTS"); }

QJsonObject serverConfig(const TrojanPlacement& placement, quint16 port, const QString& password)
{
    const auto certs = certsDir();
    return {
        {QStringLiteral("log"), QJsonObject{{QStringLiteral("loglevel"), QStringLiteral("warning")}}},
        {QStringLiteral("inbounds"),
         QJsonArray{QJsonObject{
             {QStringLiteral("listen"), placement.address.toString()},
             {QStringLiteral("port"), int(port)},
             {QStringLiteral("protocol"), QStringLiteral("trojan")},
             {QStringLiteral("settings"),
              QJsonObject{
                  {QStringLiteral("clients"), QJsonArray{QJsonObject{{QStringLiteral("password"), password}}}}}},
             {QStringLiteral("streamSettings"),
              QJsonObject{
                  {QStringLiteral("network"), QStringLiteral("tcp")},
                  {QStringLiteral("security"), QStringLiteral("tls")},
                  {QStringLiteral("tlsSettings"),
                   QJsonObject{{QStringLiteral("certificates"),
                                QJsonArray{QJsonObject{
                                    {QStringLiteral("certificateFile"), QString(certs + QStringLiteral("/server.crt"))},
                                    {QStringLiteral("keyFile"), QString(certs + QStringLiteral("/server.key"))},
                                }}}}},
              }},
         }}},
        // The first outbound is the default: drop. Only the placement's range is forwarded.
        {QStringLiteral("outbounds"),
         QJsonArray{
             QJsonObject{{QStringLiteral("protocol"), QStringLiteral("blackhole")},
                         {QStringLiteral("tag"), QStringLiteral("drop")}},
             QJsonObject{{QStringLiteral("protocol"), QStringLiteral("freedom")},
                         {QStringLiteral("tag"), QStringLiteral("forwarded")}},
         }},
        {QStringLiteral("routing"),
         QJsonObject{{QStringLiteral("rules"),
                      QJsonArray{QJsonObject{
                          {QStringLiteral("type"), QStringLiteral("field")},
                          {QStringLiteral("ip"), QJsonArray{placement.forwardedRange}},
                          {QStringLiteral("outboundTag"), QStringLiteral("forwarded")},
                      }}}}},
    };
}

} // namespace

TrojanServer::TrojanServer(QString password, TrojanPlacement placement)
    : m_password(std::move(password))
    , m_placement(std::move(placement))
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Ends with the test, even when the test crashes.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

TrojanServer::~TrojanServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QString TrojanServer::caCertificate() { return certsDir() + QStringLiteral("/ca.crt"); }

bool TrojanServer::start(QString* error)
{
    if (certsDir().isEmpty() || !QFile::exists(caCertificate())) {
        *error = QStringLiteral("VELMORAND_TEST_CERTS does not name the test certificates");
        return false;
    }
    m_port = m_placement.port != 0 ? m_placement.port : closedLoopbackPort();
    const auto configPath = m_dir.filePath(QStringLiteral("server.json"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly)
        || config.write(QJsonDocument(serverConfig(m_placement, m_port, m_password)).toJson()) < 0) {
        *error = config.errorString();
        return false;
    }
    config.close();
    m_process.start(QStringLiteral("/usr/bin/v2ray"), {QStringLiteral("-config"), configPath});
    if (!m_process.waitForStarted()) {
        *error = QStringLiteral("v2ray: ") + m_process.errorString();
        return false;
    }
    for (QDeadlineTimer deadline(10000); !deadline.hasExpired();) {
        QTcpSocket probe;
        probe.connectToHost(m_placement.address, m_port);
        if (probe.waitForConnected(200))
            return true;
        if (m_process.waitForFinished(50)) {
            *error = QStringLiteral("the Trojan server ended: ") + QString::fromUtf8(output());
            return false;
        }
    }
    *error = QStringLiteral("the Trojan server does not listen on port %1").arg(m_port);
    return false;
}

Node TrojanServer::node(qint64 id, const QString& name) const
{
    Node node;
    node.id = id;
    node.name = name;
    node.server = m_placement.address.toString();
    node.port = m_port;
    node.method = QStringLiteral("trojan");
    node.password = m_password;
    node.status = QStringLiteral("online");
    return node;
}

QByteArray TrojanServer::output()
{
    m_output += m_process.readAll();
    return m_output;
}

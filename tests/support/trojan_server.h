#pragma once

#include "api/records/node.h"

#include <QByteArray>
#include <QHostAddress>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Where a Trojan server listens and what it forwards to. The default: a free port on 127.0.0.1,
// forwarding only to loopback destinations, so that no test traffic can leave the machine. A
// test in a private network namespace may place it on a namespace's own addresses.
struct TrojanPlacement {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    // 0: a free loopback port.
    quint16 port = 0;
    // The destinations forwarded to, as an address range; anything else is dropped.
    QString forwardedRange = QStringLiteral("127.0.0.0/8");
};

// A real Trojan server for the proxy core to tunnel through: Debian's v2ray with TLS, using the
// test certificate from $VELMORAND_TEST_CERTS.
class TrojanServer {
public:
    explicit TrojanServer(QString password = QStringLiteral("trojan-test-password"), TrojanPlacement placement = {});
    ~TrojanServer();
    TrojanServer(const TrojanServer&) = delete;
    TrojanServer& operator=(const TrojanServer&) = delete;

    // Starts the server and waits until it listens; false with the reason in *error.
    bool start(QString* error);

    quint16 port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }
    QString password() const { return m_password; }
    // A node of the service's list pointing at this server (method "trojan").
    Node node(qint64 id = 1, const QString& name = QStringLiteral("Loopback Trojan")) const;
    // Everything the server printed so far (its access log lists each tunnelled connection).
    QByteArray output();

    // The test CA certificate, for the core's SSL_CERT_FILE.
    static QString caCertificate();

private:
    QString m_password;
    TrojanPlacement m_placement;
    quint16 m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
};

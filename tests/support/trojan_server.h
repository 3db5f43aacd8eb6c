#pragma once

#include "api/records/node.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real Trojan server on 127.0.0.1 for the proxy core to tunnel through: Debian's v2ray with TLS,
// using the test certificate for 127.0.0.1 from $VELMORAND_TEST_CERTS. It forwards only to
// loopback destinations; anything else is dropped, so no test traffic can leave the machine.
class TrojanServer {
public:
    explicit TrojanServer(QString password = QStringLiteral("trojan-test-password"));
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
    quint16 m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_output;
};

#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>

// A small HTTP/1.1 server on 127.0.0.1 for traffic through the proxy core. It answers
//   GET /bytes/N  with N bytes,
//   anything else with the text "hello from the local server".
// Requests may use the origin form ("/path") or the absolute form ("http://host:port/path").
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    explicit LocalHttpServer(QObject* parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    // The request targets seen so far, as received.
    QStringList requests() const { return m_requests; }

    static QByteArray greeting() { return QByteArrayLiteral("hello from the local server"); }
    // The body served for "/bytes/N".
    static QByteArray bytesBody(qsizetype size);

private:
    void serve(class QTcpSocket* socket);

    QTcpServer m_server;
    QStringList m_requests;
};

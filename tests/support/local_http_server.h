#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>

// A small HTTP/1.1 server on 127.0.0.1 for traffic through the proxy core. It answers
//   GET /bytes/N  with N bytes,
//   anything else with the text "hello from the local server".
// Requests may use the origin form ("/path") or the absolute form ("http://host:port/path").
// Other modes answer every request in one way, for clients that must tell answers apart.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        standard, // as above, 200 OK
        // A file of `fileSize` bytes: 206 with the bytes a Range header ("bytes=first-last" or
        // "bytes=first-") asks for, 200 with the whole file when there is none
        partialContent,
        notFound, // 404 with an HTML error page
        silent, // reads the request and never answers
        cutShort, // announces `partialSize` bytes, sends a few and closes the connection
        oversized, // 200 announcing `oversizedSize` bytes of JSON text, sent as fast as they are read
        endless, // 200 without a length, a JSON array that never closes, sent as fast as it is read
        ignoresRange, // 200 with a file of `oversizedSize` bytes whatever was asked, sent as fast as it is read
    };

    explicit LocalHttpServer(QObject* parent = nullptr);

    void setMode(Mode mode) { m_mode = mode; }
    static constexpr qsizetype partialSize = 1048576;
    static constexpr qsizetype fileSize = 4 * partialSize;
    static constexpr qint64 oversizedSize = 100LL * 1024 * 1024;
    // Body bytes handed to the sockets so far by the streaming modes.
    qint64 streamedBytes() const { return m_streamedBytes; }

    quint16 port() const { return m_server.serverPort(); }
    // The request targets seen so far, as received.
    QStringList requests() const { return m_requests; }
    // The Range header of each request seen so far, as received; empty for a request without one.
    QList<QByteArray> rangeHeaders() const { return m_rangeHeaders; }

    static QByteArray greeting() { return QByteArrayLiteral("hello from the local server"); }
    // The body served for "/bytes/N".
    static QByteArray bytesBody(qsizetype size);

private:
    void serve(class QTcpSocket* socket);
    void answer(class QTcpSocket* socket, const QString& path, const QByteArray& range);
    void sendFile(class QTcpSocket* socket, const QByteArray& range);
    // Keeps a few chunks queued until `length` bytes are sent (forever when negative).
    void stream(class QTcpSocket* socket, qint64 length);

    QTcpServer m_server;
    QStringList m_requests;
    QList<QByteArray> m_rangeHeaders;
    Mode m_mode = Mode::standard;
    qint64 m_streamedBytes = 0;
};

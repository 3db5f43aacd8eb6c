#pragma once

#include "http_message.h"

#include <QObject>
#include <QSslConfiguration>

#include <chrono>
#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

// How an answer breaks off after its headers and half its body: the connection is closed, or
// it stays open and silent.
enum class BodyBreak { none, closed, silent };

// What the service does with one request.
struct HttpReply {
    HttpResponse response;
    std::chrono::milliseconds delay{0}; // before answering
    bool drop = false; // close the connection without an answer
    BodyBreak bodyBreak = BodyBreak::none;
};

// One listening port on 127.0.0.1, plain or TLS. An answering listener reads each request and
// answers it through the handler, one request per connection; a silent listener accepts
// connections and never reads or answers (a service that hangs).
class HttpListener : public QObject {
    Q_OBJECT
public:
    enum class Mode { answering, silent };
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    // TLS when `tls` holds a configuration with a certificate and key.
    HttpListener(Mode mode, Handler handler, std::optional<QSslConfiguration> tls, QObject* parent = nullptr);

    // Port 0 picks a free one.
    bool listen(quint16 port);
    quint16 port() const;
    bool isTls() const { return m_isTls; }
    Mode mode() const { return m_mode; }
    QString errorString() const;

private:
    void takeConnections();
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const HttpReply& reply);

    Mode m_mode;
    Handler m_handler;
    bool m_isTls;
    QTcpServer* m_server;
};

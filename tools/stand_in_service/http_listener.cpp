#include "http_listener.h"

#include <QHostAddress>
#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

HttpListener::HttpListener(Mode mode, Handler handler, std::optional<QSslConfiguration> tls, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_handler(std::move(handler))
    , m_isTls(tls.has_value())
{
    if (tls) {
        auto* server = new QSslServer(this);
        server->setSslConfiguration(*tls);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &HttpListener::takeConnections);
}

bool HttpListener::listen(quint16 port) { return m_server->listen(QHostAddress::LocalHost, port); }

quint16 HttpListener::port() const { return m_server->serverPort(); }

QString HttpListener::errorString() const { return m_server->errorString(); }

void HttpListener::takeConnections()
{
    while (auto* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (m_mode == Mode::answering)
            serve(socket);
    }
}

void HttpListener::serve(QTcpSocket* socket)
{
    auto parser = std::make_shared<HttpRequestParser>();
    auto readRequest = [this, socket, parser] {
        const auto state = parser->feed(socket->readAll());
        if (state == HttpRequestParser::State::incomplete)
            return;
        socket->disconnect(this);
        if (state == HttpRequestParser::State::malformed) {
            answer(socket, {HttpResponse::text(400, "malformed request\n", "text/plain")});
            return;
        }
        auto request = parser->request();
        request.localPort = port();
        const auto reply = m_handler(request);
        if (reply.delay.count() > 0) {
            QTimer::singleShot(reply.delay, socket, [this, socket, reply] { answer(socket, reply); });
        } else {
            answer(socket, reply);
        }
    };
    connect(socket, &QTcpSocket::readyRead, this, readRequest);
    if (socket->bytesAvailable() > 0)
        readRequest();
}

void HttpListener::answer(QTcpSocket* socket, const HttpReply& reply)
{
    if (reply.drop) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto bytes = reply.response.serialize();
    if (reply.bodyBreak != BodyBreak::none) {
        const auto bodyStart = bytes.indexOf("\r\n\r\n") + 4;
        bytes.truncate(bodyStart + (bytes.size() - bodyStart) / 2);
    }
    socket->write(bytes);
    if (reply.bodyBreak != BodyBreak::silent)
        socket->disconnectFromHost();
}

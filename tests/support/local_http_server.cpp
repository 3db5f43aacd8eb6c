#include "local_http_server.h"

#include <QTcpSocket>
#include <QUrl>

#include <memory>

LocalHttpServer::LocalHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (auto* socket = m_server.nextPendingConnection())
            serve(socket);
    });
    m_server.listen(QHostAddress::LocalHost, 0);
}

QByteArray LocalHttpServer::bytesBody(qsizetype size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        body[i] = char('a' + i % 26);
    return body;
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        const bool complete = request->contains("\r\n\r\n");
        *request += socket->readAll();
        if (complete || !request->contains("\r\n\r\n"))
            return;
        const auto requestLine = request->left(request->indexOf("\r\n")).split(' ');
        const auto target = QString::fromLatin1(requestLine.value(1));
        m_requests.append(target);
        answer(socket, target.startsWith(QLatin1String("http://")) ? QUrl(target).path() : target);
    });
}

void LocalHttpServer::answer(QTcpSocket* socket, const QString& path)
{
    const auto send
        = [socket](const QByteArray& status, const QByteArray& headers, const QByteArray& body, qsizetype length) {
              socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(length) + "\r\n"
                            + headers + "Connection: close\r\n\r\n");
              socket->write(body);
          };
    switch (m_mode) {
    case Mode::standard: {
        const auto body = path.startsWith(QLatin1String("/bytes/"))
            ? bytesBody(path.mid(int(qstrlen("/bytes/"))).toLongLong())
            : greeting();
        send("200 OK", "Content-Type: application/octet-stream\r\n", body, body.size());
        break;
    }
    case Mode::partialContent:
        send("206 Partial Content",
             "Content-Type: application/octet-stream\r\nContent-Range: bytes 0-" + QByteArray::number(partialSize - 1)
                 + "/4194304\r\n",
             bytesBody(partialSize), partialSize);
        break;
    case Mode::notFound: {
        const QByteArray page = "<html><body><h1>404 Not Found</h1></body></html>";
        send("404 Not Found", "Content-Type: text/html\r\n", page, page.size());
        break;
    }
    case Mode::silent:
        return;
    case Mode::oversized:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                      + QByteArray::number(oversizedSize) + "\r\nConnection: close\r\n\r\n");
        stream(socket, oversizedSize);
        return;
    case Mode::endless:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
        stream(socket, -1);
        return;
    case Mode::cutShort:
        send("200 OK", "Content-Type: application/octet-stream\r\n", bytesBody(1000), partialSize);
        socket->flush();
        socket->abort();
        return;
    }
    socket->disconnectFromHost();
}

void LocalHttpServer::stream(QTcpSocket* socket, qint64 length)
{
    auto sent = std::make_shared<qint64>(0);
    const auto refill = [this, socket, length, sent] {
        static const QByteArray chunk = "[" + QByteArray(65535, ' ');
        while (socket->bytesToWrite() < 4 * chunk.size() && (length < 0 || *sent < length)) {
            const auto piece = length < 0 ? chunk : chunk.left(qMin<qint64>(chunk.size(), length - *sent));
            socket->write(piece);
            *sent += piece.size();
            m_streamedBytes += piece.size();
        }
        if (length >= 0 && *sent >= length)
            socket->disconnectFromHost();
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

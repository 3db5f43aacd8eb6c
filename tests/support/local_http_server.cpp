#include "local_http_server.h"

#include <QTcpSocket>
#include <QUrl>

#include <memory>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
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
        const auto path = target.startsWith(QLatin1String("http://")) ? QUrl(target).path() : target;
        const auto body = path.startsWith(QLatin1String("/bytes/"))
            ? bytesBody(path.mid(int(qstrlen("/bytes/"))).toLongLong())
            : greeting();
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n");
        socket->write(body);
        socket->disconnectFromHost();
    });
}

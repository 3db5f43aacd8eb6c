#include "local_http_server.h"

#include <QRegularExpression>
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
        const auto head = request->left(request->indexOf("\r\n\r\n")).split('\n');
        const auto requestLine = head.first().trimmed().split(' ');
        const auto target = QString::fromLatin1(requestLine.value(1));
        QByteArray range;
        for (const auto& line : head.mid(1)) {
            if (line.toLower().startsWith("range:"))
                range = line.mid(int(qstrlen("range:"))).trimmed();
        }
        m_requests.append(target);
        m_rangeHeaders.append(range);
        answer(socket, target.startsWith(QLatin1String("http://")) ? QUrl(target).path() : target, range);
    });
}

namespace {

void sendAnswer(QTcpSocket* socket, const QByteArray& status, const QByteArray& headers, const QByteArray& body,
                qsizetype length)
{
    socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(length) + "\r\n" + headers
                  + "Connection: close\r\n\r\n");
    socket->write(body);
}

} // namespace

void LocalHttpServer::sendFile(QTcpSocket* socket, const QByteArray& range)
{
    static const QRegularExpression byteRange(QStringLiteral(R"(^bytes=(\d+)-(\d*)$)"));
    const auto file = bytesBody(fileSize);
    const auto match = byteRange.match(QString::fromLatin1(range));
    const qint64 first = match.hasMatch() ? match.captured(1).toLongLong() : 0;
    const qint64 last = match.hasMatch() && !match.captured(2).isEmpty()
        ? qMin<qint64>(match.captured(2).toLongLong(), fileSize - 1)
        : fileSize - 1;
    // A header that is no byte range (or none at all) is ignored, as HTTP has it: the whole file.
    if (!match.hasMatch() || first > last) {
        sendAnswer(socket, "200 OK", "Content-Type: application/octet-stream\r\n", file, file.size());
        return;
    }
    const auto part = file.mid(first, last - first + 1);
    sendAnswer(socket, "206 Partial Content",
               "Content-Type: application/octet-stream\r\nContent-Range: bytes " + QByteArray::number(first) + '-'
                   + QByteArray::number(last) + '/' + QByteArray::number(fileSize) + "\r\n",
               part, part.size());
}

void LocalHttpServer::answer(QTcpSocket* socket, const QString& path, const QByteArray& range)
{
    switch (m_mode) {
    case Mode::standard: {
        const auto body = path.startsWith(QLatin1String("/bytes/"))
            ? bytesBody(path.mid(int(qstrlen("/bytes/"))).toLongLong())
            : greeting();
        sendAnswer(socket, "200 OK", "Content-Type: application/octet-stream\r\n", body, body.size());
        break;
    }
    case Mode::partialContent:
        sendFile(socket, range);
        break;
    case Mode::notFound: {
        const QByteArray page = "<html><body><h1>404 Not Found</h1></body></html>";
        sendAnswer(socket, "404 Not Found", "Content-Type: text/html\r\n", page, page.size());
        break;
    }
    case Mode::silent:
        return;
    case Mode::oversized:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                      + QByteArray::number(oversizedSize) + "\r\nConnection: close\r\n\r\n");
        stream(socket, oversizedSize);
        return;
    case Mode::ignoresRange:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                      + QByteArray::number(oversizedSize) + "\r\nConnection: close\r\n\r\n");
        stream(socket, oversizedSize);
        return;
    case Mode::endless:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
        stream(socket, -1);
        return;
    case Mode::cutShort:
        sendAnswer(socket, "200 OK", "Content-Type: application/octet-stream\r\n", bytesBody(1000), partialSize);
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

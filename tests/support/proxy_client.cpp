#include "proxy_client.h"

#include <QCoroAbstractSocket>
#include <QCoroIODevice>
#include <QTcpSocket>

#include <chrono>
#include <memory>

namespace {

constexpr std::chrono::seconds kPatience{10};

// Reads until the buffer holds at least `size` bytes; false when the peer went quiet or away.
QCoro::Task<bool> readAtLeast(QTcpSocket* socket, QByteArray* buffer, qsizetype size)
{
    auto io = qCoro(socket);
    while (buffer->size() < size) {
        if (socket->bytesAvailable() == 0) {
            const bool readable = co_await io.waitForReadyRead(kPatience);
            if (!readable)
                co_return false;
        }
        *buffer += socket->readAll();
    }
    co_return true;
}

// Reads one HTTP/1.1 answer with a Content-Length from what is buffered and what follows.
QCoro::Task<std::optional<HttpAnswer>> readAnswer(QTcpSocket* socket, QByteArray buffer)
{
    qsizetype headerEnd = -1;
    while ((headerEnd = buffer.indexOf("\r\n\r\n")) < 0) {
        const bool more = co_await readAtLeast(socket, &buffer, buffer.size() + 1);
        if (!more)
            co_return std::nullopt;
    }
    const auto header = buffer.left(headerEnd);
    HttpAnswer answer;
    answer.status = header.mid(header.indexOf(' ') + 1, 3).toInt();
    qsizetype length = -1;
    for (const auto& line : header.split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(int(qstrlen("content-length:"))).trimmed().toLongLong();
    }
    if (length < 0)
        co_return std::nullopt;
    const bool complete = co_await readAtLeast(socket, &buffer, headerEnd + 4 + length);
    if (!complete)
        co_return std::nullopt;
    answer.body = buffer.mid(headerEnd + 4, length);
    co_return answer;
}

QByteArray getRequest(const QByteArray& target, const QHostAddress& host, quint16 port)
{
    return "GET " + target + " HTTP/1.1\r\nHost: " + host.toString().toLatin1() + ':' + QByteArray::number(port)
        + "\r\nConnection: close\r\n\r\n";
}

QCoro::Task<bool> connectToProxy(QTcpSocket* socket, quint16 proxyPort)
{
    const QHostAddress loopback(QHostAddress::LocalHost);
    auto io = qCoro(socket);
    co_return co_await io.connectToHost(loopback, proxyPort, QIODevice::ReadWrite, kPatience);
}

} // namespace

QCoro::Task<std::optional<HttpAnswer>> fetchThroughSocks5(quint16 proxyPort, QHostAddress target, quint16 targetPort,
                                                          QString path)
{
    auto socket = std::make_unique<QTcpSocket>();
    const bool connected = co_await connectToProxy(socket.get(), proxyPort);
    if (!connected)
        co_return std::nullopt;
    // Greeting: version 5, one method, "no authentication".
    socket->write(QByteArray("\x05\x01\x00", 3));
    QByteArray buffer;
    const bool greeted = co_await readAtLeast(socket.get(), &buffer, 2);
    if (!greeted || buffer.left(2) != QByteArray("\x05\x00", 2))
        co_return std::nullopt;
    buffer.remove(0, 2);
    // CONNECT to an IPv4 address.
    QByteArray request("\x05\x01\x00\x01", 4);
    const auto ip = target.toIPv4Address();
    for (int shift = 24; shift >= 0; shift -= 8)
        request.append(char((ip >> shift) & 0xff));
    request.append(char(targetPort >> 8)).append(char(targetPort & 0xff));
    socket->write(request);
    // The reply: version, status, reserved, an IPv4 address and a port (10 bytes).
    const bool replied = co_await readAtLeast(socket.get(), &buffer, 10);
    if (!replied || buffer[1] != 0)
        co_return std::nullopt;
    buffer.remove(0, 10);
    socket->write(getRequest(path.toLatin1(), target, targetPort));
    co_return co_await readAnswer(socket.get(), buffer);
}

QCoro::Task<std::optional<HttpAnswer>> fetchThroughHttpProxy(quint16 proxyPort, QHostAddress target, quint16 targetPort,
                                                             QString path)
{
    auto socket = std::make_unique<QTcpSocket>();
    const bool connected = co_await connectToProxy(socket.get(), proxyPort);
    if (!connected)
        co_return std::nullopt;
    const QByteArray absolute
        = "http://" + target.toString().toLatin1() + ':' + QByteArray::number(targetPort) + path.toLatin1();
    socket->write(getRequest(absolute, target, targetPort));
    const QByteArray nothingYet;
    co_return co_await readAnswer(socket.get(), nothingYet);
}

#include "loopback_ports.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

quint16 boundPort(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

} // namespace

quint16 closedLoopbackPort()
{
    // A port the kernel just handed out and nobody listens on.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    auto address = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const auto port = boundPort(fd);
    ::close(fd);
    return port;
}

bool loopbackPortFree(quint16 port, QString* why)
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    if (probe.waitForConnected(500)) {
        *why = QStringLiteral("127.0.0.1:%1 is in use by another program").arg(port);
        return false;
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, port)) {
        *why = QStringLiteral("127.0.0.1:%1 cannot be bound: %2").arg(port).arg(server.errorString());
        return false;
    }
    return true;
}

SilentPort::SilentPort()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    auto address = loopback(0);
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    // Room for one pending connection, which the filler takes; later ones are never answered.
    ::listen(m_listener, 0);
    m_port = boundPort(m_listener);
    m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
    auto target = loopback(m_port);
    ::connect(m_filler, reinterpret_cast<sockaddr*>(&target), sizeof target);
}

SilentPort::~SilentPort()
{
    ::close(m_filler);
    ::close(m_listener);
}

AcceptingPort::AcceptingPort()
    : m_server(std::make_unique<QTcpServer>())
{
    m_server->setListenBacklogSize(4096);
    m_server->setMaxPendingConnections(4096);
    QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [server = m_server.get()] {
        while (auto* socket = server->nextPendingConnection()) {
            socket->close();
            socket->deleteLater();
        }
    });
    m_server->listen(QHostAddress::LocalHost, 0);
}

#pragma once

#include <QString>
#include <QTcpServer>

#include <memory>

// Ports on 127.0.0.1 for connection tests.

// A port where nothing listens: connections are refused at once.
quint16 closedLoopbackPort();

// Whether nothing holds 127.0.0.1:port, so a test may use it. When it is held, *why says so.
bool loopbackPortFree(quint16 port, QString* why);

// A listening port whose queue of pending connections is full and never drained: new connection
// attempts are neither accepted nor refused, they wait (a server that never answers).
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;

    quint16 port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    quint16 m_port = 0;
};

// A server that accepts every connection and closes it again, with room for many connections
// arriving at once.
class AcceptingPort {
public:
    AcceptingPort();

    quint16 port() const { return m_server->serverPort(); }

private:
    std::unique_ptr<QTcpServer> m_server;
};

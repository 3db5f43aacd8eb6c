#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>
#include <vector>

// A plain-HTTP listener on 127.0.0.1 that answers every request with one canned answer, or
// accepts connections and never answers. Counts the requests it received.
class LocalHttpEndpoint {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool silent = false; // accept, read, never answer
    };

    explicit LocalHttpEndpoint(Answer answer)
        : m_answer(std::move(answer))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { onConnection(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    int requests() const { return m_requests; }
    QByteArray lastRequest() const { return m_lastRequest; }

private:
    void onConnection()
    {
        while (auto* socket = m_server.nextPendingConnection()) {
            m_sockets.emplace_back(socket);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_buffer += socket->readAll();
                if (!m_buffer.contains("\r\n\r\n"))
                    return;
                ++m_requests;
                m_lastRequest = m_buffer;
                m_buffer.clear();
                if (m_answer.silent)
                    return;
                socket->write("HTTP/1.1 " + QByteArray::number(m_answer.status) + " X\r\nContent-Type: application/json\r\n"
                              "Connection: close\r\nContent-Length: "
                              + QByteArray::number(m_answer.body.size()) + "\r\n\r\n" + m_answer.body);
                socket->disconnectFromHost();
            });
        }
    }

    Answer m_answer;
    QTcpServer m_server;
    std::vector<std::unique_ptr<QTcpSocket>> m_sockets;
    QByteArray m_buffer;
    QByteArray m_lastRequest;
    int m_requests = 0;
};

#include "single_instance.h"

#include "instance_request_reader.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <memory>

namespace {
const QByteArray kReopen = QByteArrayLiteral("reopen\n");
// How long a later launch keeps trying to reach a running instance that is still starting up.
constexpr int kReachTimeoutMs = 5000;
} // namespace

SingleInstance::SingleInstance(const QString& directory, QObject* parent)
    : QObject(parent)
    , m_socketPath(directory + QStringLiteral("/instance.socket"))
    , m_lock(directory + QStringLiteral("/instance.lock"))
{
    // The lock is held as long as the instance runs, however long: only a dead owner makes it stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

SingleInstance::Claim SingleInstance::claim()
{
    // A lock whose owner has died is taken over here.
    if (m_lock.tryLock(0)) {
        listen();
        return Claim::running;
    }
    if (askRunningInstanceToReopen())
        return Claim::handedOver;
    qWarning("[App] Another instance holds %s but does not answer", qPrintable(m_lock.fileName()));
    return Claim::unanswered;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock holder gets here, so a socket file that exists was left by a crashed instance.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
        qWarning("[App] Cannot listen on %s: %s", qPrintable(m_socketPath), qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

bool SingleInstance::askRunningInstanceToReopen() const
{
    // The running instance may hold the lock without listening yet: it is still starting.
    const QDeadlineTimer deadline(kReachTimeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(kReopen);
            const bool sent = socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
            socket.disconnectFromServer();
            return sent;
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::onNewConnection()
{
    while (auto* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The socket holds no more than one line: the rest waits in the system until read.
        socket->setReadBufferSize(InstanceRequestReader::maxLineBytes);
        const auto readRequests = [this, socket, reader = std::make_shared<InstanceRequestReader>()] {
            while (socket->bytesAvailable() > 0) {
                const auto outcome = reader->feed(socket->readAll());
                for (int i = 0; i < outcome.reopenRequests; ++i)
                    emit reopenRequested();
                if (outcome.overlong) {
                    qWarning("[App] Dropped a launch's request longer than %lld bytes",
                             static_cast<long long>(InstanceRequestReader::maxLineBytes));
                    socket->abort();
                    socket->deleteLater();
                    return;
                }
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        readRequests();
    }
}

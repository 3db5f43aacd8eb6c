#include "tcp_probe.h"

#include <QCoroSignal>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace {

using std::chrono::nanoseconds;

// One connection attempt; answers exactly once, whichever of connect, failure and time limit
// comes first, and then lets the socket go.
class Attempt : public QObject {
    Q_OBJECT
public:
    Attempt(const QString& host, quint16 port, nanoseconds limit)
    {
        m_clock.start();
        connect(&m_socket, &QTcpSocket::connected, this, [this] { answer(nanoseconds(m_clock.nsecsElapsed())); });
        connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] { answer(std::nullopt); });
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(std::nullopt); });
        m_timer.start(std::chrono::ceil<std::chrono::milliseconds>(limit));
        m_socket.connectToHost(host, port);
    }

    bool isAnswered() const { return m_answer.has_value(); }
    std::optional<nanoseconds> answer() const { return *m_answer; }

signals:
    void answered();

private:
    void answer(std::optional<nanoseconds> result)
    {
        if (m_answer)
            return;
        m_answer = result;
        m_timer.stop();
        m_socket.abort();
        emit answered();
    }

    QElapsedTimer m_clock;
    QTcpSocket m_socket;
    QTimer m_timer;
    std::optional<std::optional<nanoseconds>> m_answer;
};

} // namespace

namespace TcpProbe {

QCoro::Task<std::optional<nanoseconds>> connectTime(QString host, quint16 port, nanoseconds limit)
{
    Attempt attempt(host, port, limit);
    if (!attempt.isAnswered())
        co_await qCoro(&attempt, &Attempt::answered);
    co_return attempt.answer();
}

QCoro::Task<bool> loopbackAccepts(quint16 port)
{
    // On loopback a refusal comes at once; the limit only guards against a stalled listener.
    const QString host = QHostAddress(QHostAddress::LocalHost).toString();
    const std::chrono::nanoseconds limit = std::chrono::milliseconds(500);
    const auto time = co_await connectTime(host, port, limit);
    co_return time.has_value();
}

} // namespace TcpProbe

#include "tcp_probe.moc"

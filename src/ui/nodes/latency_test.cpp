#include "latency_test.h"

#include "platform/while_alive.h"

LatencyTest::LatencyTest(LatencyProbe probe, QObject* parent)
    : QObject(parent)
    , m_probe(std::move(probe))
{
}

void LatencyTest::start(const QList<Node>& nodes, double timeout)
{
    if (isRunning())
        return;
    if (nodes.isEmpty()) {
        emit finished();
        return;
    }
    m_pending = nodes.size();
    m_waiting = nodes;
    m_timeout = timeout;
    startSlice();
}

void LatencyTest::startSlice()
{
    const auto slice = m_waiting.mid(0, sliceSize);
    m_waiting.remove(0, slice.size());
    if (!m_waiting.isEmpty())
        QMetaObject::invokeMethod(this, &LatencyTest::startSlice, Qt::QueuedConnection);
    for (const auto& node : slice) {
        whileAlive(this, m_probe(node.server, node.port, m_timeout),
                   [this, nodeId = node.id](std::optional<qint64> milliseconds) { report(nodeId, milliseconds); });
    }
}

void LatencyTest::report(qint64 nodeId, std::optional<qint64> milliseconds)
{
    --m_pending;
    emit resultArrived(nodeId, milliseconds);
    if (m_pending == 0)
        emit finished();
}

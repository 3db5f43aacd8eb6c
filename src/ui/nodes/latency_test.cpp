#include "latency_test.h"

#include <QPointer>

namespace {

QCoro::Task<> probeNode(QPointer<LatencyTest> test, QCoro::Task<std::optional<qint64>> probe, qint64 nodeId,
                        std::function<void(LatencyTest&, qint64, std::optional<qint64>)> report)
{
    const auto milliseconds = co_await std::move(probe);
    if (test)
        report(*test, nodeId, milliseconds);
}

} // namespace

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
    const auto report = [](LatencyTest& test, qint64 nodeId, std::optional<qint64> milliseconds) {
        test.report(nodeId, milliseconds);
    };
    for (const auto& node : slice)
        probeNode(this, m_probe(node.server, node.port, m_timeout), node.id, report);
}

void LatencyTest::report(qint64 nodeId, std::optional<qint64> milliseconds)
{
    --m_pending;
    emit resultArrived(nodeId, milliseconds);
    if (m_pending == 0)
        emit finished();
}

#pragma once

#include "api/records/node.h"

#include <QCoroTask>
#include <QList>
#include <QObject>

#include <functional>
#include <optional>

// One latency probe: host, port and time limit in seconds in; milliseconds, or none when the
// connection failed or took too long.
using LatencyProbe = std::function<QCoro::Task<std::optional<qint64>>(QString host, qint64 port, double timeout)>;

// Measures a list of nodes at once, one probe per node, and reports each result as it arrives: a
// screen shows them while the slower probes still run. The probes start together, in slices of
// `sliceSize` one event-loop turn apart, so that opening a thousand connections never holds the
// window up. Probes that end after the test object is gone are dropped.
class LatencyTest : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype sliceSize = 32;

    explicit LatencyTest(LatencyProbe probe, QObject* parent = nullptr);

    // Starts a probe of every node with the time limit; does nothing while a test runs. A test
    // of no node finishes at once.
    void start(const QList<Node>& nodes, double timeout);
    bool isRunning() const { return m_pending > 0; }

signals:
    // One node's result: milliseconds, or none for a probe that failed or timed out.
    void resultArrived(qint64 nodeId, std::optional<qint64> milliseconds);
    void finished();

private:
    void report(qint64 nodeId, std::optional<qint64> milliseconds);
    void startSlice();

    LatencyProbe m_probe;
    qsizetype m_pending = 0;
    QList<Node> m_waiting;
    double m_timeout = 0;
};

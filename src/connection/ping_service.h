#pragma once

#include "api/records/node.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// Latency of servers: the time it takes to open a TCP connection to them.
class PingService {
public:
    // The time limit of each probe of a node list.
    static constexpr double nodeTimeout = 3.0;

    PingService();

    // Milliseconds from the call until the connection to host:port was up, or nothing when it
    // failed or took longer than `timeout` seconds. Nothing is sent; the connection is closed at
    // once. A port outside 0..65535 or a limit that is negative or not finite answers nothing.
    QCoro::Task<std::optional<qint64>> ping(QString host, qint64 port, double timeout);

    // Probes every node at once with the node time limit: node id to milliseconds, for the nodes
    // that answered. When two nodes share an id, the probe that finished last wins.
    QCoro::Task<QHash<qint64, qint64>> ping(QList<Node> nodes);

    // Elapsed time in whole milliseconds, halves rounded away from zero.
    static qint64 roundedMilliseconds(std::chrono::nanoseconds elapsed);
};

#pragma once

#include "api/records/node.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <optional>

// The automatic choice of the node to connect to, from measured TCP connect times.
namespace FastestNode {

// Slower answers are measured but not connected to.
inline constexpr qint64 maxConnectMs = 998;

struct Choice {
    Node node;
    qint64 ms = 0;
};

// The online nodes, in list order.
QList<Node> candidates(const QList<Node>& nodes);

// The fastest favourite that answered, else the fastest node that answered; the earliest in
// list order wins among equal times. Nothing when no candidate answered.
std::optional<Choice> choose(const QList<Node>& candidates, const QHash<qint64, qint64>& measuredMs,
                             const QSet<qint64>& favoriteIds);

} // namespace FastestNode

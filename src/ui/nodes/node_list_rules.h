#pragma once

#include "api/records/node.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

// The rules of the node list, without widgets: search, latency order, favourites, regions and
// offline nodes, and the flat list of lines the list view shows.
namespace NodeListRules {

// The outcome of the latest latency test per node id: milliseconds, or none for a probe that
// failed or timed out. A node without an entry was not measured by that test.
using ProbeResults = QHash<qint64, std::optional<qint64>>;

// The sort key of nodes that have no latency at all, and of nodes whose probe failed: a failure
// is never faster than a node that answered.
inline constexpr qint64 unknownLatency = 9999;

// Whether the node's name, host or location contains `text`, letter case ignored; an empty text
// keeps every node. The text is not trimmed.
bool matchesSearch(const Node& node, const QString& text);

// The measured milliseconds; for a failed probe unknownLatency; unmeasured, the server's delay,
// else unknownLatency.
qint64 latencyKey(const Node& node, const ProbeResults& probes);

// The nodes that match the search, sorted by latencyKey; equal keys keep the service's order.
QList<Node> filteredNodes(const QList<Node>& nodes, const QString& search, const ProbeResults& probes);

struct RegionGroup {
    QString region;
    QList<Node> nodes;
};

// The nodes for which `keyOf` gives a key, grouped by that key in the order the keys first
// appear; within a group the nodes keep their order.
QList<RegionGroup> groupInOrder(const QList<Node>& nodes,
                                const std::function<std::optional<QString>(const Node&)>& keyOf);

// The online nodes of `filtered` by location (nodes without one under `otherName`), compared
// exactly; groups in the locale's order of their names, nodes in the order given.
QList<RegionGroup> groupByRegion(const QList<Node>& filtered, const QString& otherName);

// One line of the list: a message, a section header or a node.
struct Line {
    enum class Kind { empty, favoritesHeader, regionHeader, offlineHeader, node, offlineNode };
    Kind kind = Kind::node;
    // The region's name for a region header.
    QString title;
    // The region's node count, favourites included, for a region header.
    qsizetype count = 0;
    Node node;
};

struct ListInput {
    const QList<Node>& nodes;
    const QString& search;
    const ProbeResults& probes;
    const QSet<qint64>& favorites;
    const QString& otherName;
};

// The list top to bottom: the empty line when nothing matches; else the favourites (offline ones
// too) under their header, each region's online nodes that are not favourites under a header that
// counts all of them, and the offline nodes (favourites too) under theirs.
QList<Line> buildLines(const ListInput& input);

} // namespace NodeListRules

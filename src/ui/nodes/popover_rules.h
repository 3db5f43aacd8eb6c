#pragma once

#include "node_list_rules.h"

#include <optional>

// The popover's rules, without widgets: which node the quick-connect button takes and how the
// node picker filters and groups the online nodes.
namespace PopoverRules {

// The first online node among the recent nodes (most recent first), else the first online node of
// the list; none without any online node.
std::optional<Node> quickConnectNode(const QList<Node>& recentNodes, const QList<Node>& nodes);

// The online recent nodes, in their order, at most `limit`.
QList<Node> recentOnline(const QList<Node>& recentNodes, qsizetype limit);

// The online nodes whose lower-cased name or group key (the location, else `otherName`) contains
// the lower-cased search text, grouped by that key; keys in plain code-point order, nodes in list
// order.
QList<NodeListRules::RegionGroup> pickerGroups(const QList<Node>& nodes, const QString& search,
                                               const QString& otherName);

} // namespace PopoverRules

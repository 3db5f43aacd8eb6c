#include "popover_rules.h"

#include <algorithm>

namespace PopoverRules {

std::optional<Node> quickConnectNode(const QList<Node>& recentNodes, const QList<Node>& nodes)
{
    for (const auto* list : {&recentNodes, &nodes}) {
        const auto online
            = std::find_if(list->cbegin(), list->cend(), [](const Node& node) { return node.isOnline(); });
        if (online != list->cend())
            return *online;
    }
    return std::nullopt;
}

QList<Node> recentOnline(const QList<Node>& recentNodes, qsizetype limit)
{
    QList<Node> result;
    for (const auto& node : recentNodes) {
        if (result.size() == limit)
            break;
        if (node.isOnline())
            result.append(node);
    }
    return result;
}

QList<NodeListRules::RegionGroup> pickerGroups(const QList<Node>& nodes, const QString& search,
                                               const QString& otherName)
{
    const QString needle = search.toLower();
    auto groups = NodeListRules::groupInOrder(nodes, [&](const Node& node) -> std::optional<QString> {
        const QString key = node.location.value_or(otherName);
        if (!node.isOnline()
            || (!needle.isEmpty() && !node.name.toLower().contains(needle) && !key.toLower().contains(needle)))
            return std::nullopt;
        return key;
    });
    std::sort(
        groups.begin(), groups.end(),
        [](const NodeListRules::RegionGroup& a, const NodeListRules::RegionGroup& b) { return a.region < b.region; });
    return groups;
}

} // namespace PopoverRules

#include "node_list_rules.h"

#include <algorithm>

namespace NodeListRules {

bool matchesSearch(const Node& node, const QString& text)
{
    if (text.isEmpty())
        return true;
    return node.name.contains(text, Qt::CaseInsensitive) || node.server.contains(text, Qt::CaseInsensitive)
        || node.location.value_or(QString()).contains(text, Qt::CaseInsensitive);
}

qint64 latencyKey(const Node& node, const ProbeResults& probes)
{
    const auto probe = probes.constFind(node.id);
    if (probe != probes.cend())
        return probe->value_or(unknownLatency);
    return node.delay.value_or(unknownLatency);
}

QList<Node> filteredNodes(const QList<Node>& nodes, const QString& search, const ProbeResults& probes)
{
    struct Keyed {
        qint64 key;
        const Node* node;
    };
    std::vector<Keyed> kept;
    kept.reserve(nodes.size());
    for (const auto& node : nodes) {
        if (matchesSearch(node, search))
            kept.push_back({latencyKey(node, probes), &node});
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    QList<Node> result;
    result.reserve(qsizetype(kept.size()));
    for (const auto& item : kept)
        result.append(*item.node);
    return result;
}

QList<RegionGroup> groupInOrder(const QList<Node>& nodes,
                                const std::function<std::optional<QString>(const Node&)>& keyOf)
{
    QHash<QString, qsizetype> indexOf;
    QList<RegionGroup> groups;
    for (const auto& node : nodes) {
        const auto key = keyOf(node);
        if (!key)
            continue;
        auto found = indexOf.constFind(*key);
        if (found == indexOf.cend()) {
            found = indexOf.insert(*key, groups.size());
            groups.append({*key, {}});
        }
        groups[*found].nodes.append(node);
    }
    return groups;
}

QList<RegionGroup> groupByRegion(const QList<Node>& filtered, const QString& otherName)
{
    auto groups = groupInOrder(filtered, [&otherName](const Node& node) -> std::optional<QString> {
        if (!node.isOnline())
            return std::nullopt;
        return node.location.value_or(otherName);
    });
    std::sort(groups.begin(), groups.end(), [](const RegionGroup& a, const RegionGroup& b) {
        return QString::localeAwareCompare(a.region, b.region) < 0;
    });
    return groups;
}

QList<Line> buildLines(const ListInput& input)
{
    const auto filtered = filteredNodes(input.nodes, input.search, input.probes);
    QList<Line> lines;
    if (filtered.isEmpty()) {
        lines.append({Line::Kind::empty, {}, 0, {}});
        return lines;
    }
    lines.reserve(filtered.size() + 32);

    QList<Line> favorites;
    QList<Line> offline;
    for (const auto& node : filtered) {
        if (input.favorites.contains(node.id))
            favorites.append({Line::Kind::node, {}, 0, node});
        if (!node.isOnline())
            offline.append({Line::Kind::offlineNode, {}, 0, node});
    }
    if (!favorites.isEmpty()) {
        lines.append({Line::Kind::favoritesHeader, {}, 0, {}});
        lines.append(favorites);
    }
    for (const auto& group : groupByRegion(filtered, input.otherName)) {
        lines.append({Line::Kind::regionHeader, group.region, group.nodes.size(), {}});
        for (const auto& node : group.nodes) {
            if (!input.favorites.contains(node.id))
                lines.append({Line::Kind::node, {}, 0, node});
        }
    }
    if (!offline.isEmpty()) {
        lines.append({Line::Kind::offlineHeader, {}, 0, {}});
        lines.append(offline);
    }
    return lines;
}

} // namespace NodeListRules

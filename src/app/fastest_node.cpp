#include "fastest_node.h"

#include <limits>

namespace FastestNode {

QList<Node> candidates(const QList<Node>& nodes)
{
    QList<Node> online;
    for (const auto& node : nodes) {
        if (node.isOnline())
            online.append(node);
    }
    return online;
}

std::optional<Choice> choose(const QList<Node>& candidates, const QHash<qint64, qint64>& measuredMs,
                             const QSet<qint64>& favoriteIds)
{
    const auto fastest = [&](bool favoritesOnly) -> std::optional<Choice> {
        std::optional<Choice> best;
        qint64 bestMs = std::numeric_limits<qint64>::max();
        for (const auto& node : candidates) {
            if (favoritesOnly && !favoriteIds.contains(node.id))
                continue;
            const auto it = measuredMs.constFind(node.id);
            if (it != measuredMs.cend() && *it < bestMs) {
                bestMs = *it;
                best = Choice{node, *it};
            }
        }
        return best;
    };
    if (auto favorite = fastest(true))
        return favorite;
    return fastest(false);
}

} // namespace FastestNode

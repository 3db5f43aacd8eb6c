#include "app/startup_rules.h"
#include "app_state_fixture.h"

#include <gtest/gtest.h>

namespace {

Node node(qint64 id, const QString& status, std::optional<qint64> delay = std::nullopt)
{
    auto n = localNode(id, 1, status);
    n.delay = delay;
    return n;
}

std::optional<qint64> idOf(const std::optional<Node>& target)
{
    return target ? std::optional(target->id) : std::nullopt;
}

const QString online = QStringLiteral("online");
const QString offline = QStringLiteral("offline");

} // namespace

TEST(StartupRules, TheFastestTargetIsTheOnlineNodeWithTheSmallestDelay)
{
    struct Case {
        QList<Node> nodes;
        std::optional<qint64> id;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{node(1, offline, 5)}, std::nullopt},
        {{node(1, online, 80), node(2, online, 20)}, 2},
        {{node(1, online), node(2, online, 9999)}, 1},
        {{node(1, QStringLiteral("Online"), 1), node(2, online, 50)}, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(idOf(StartupRules::fastestTarget(c.nodes)), c.id) << c.nodes.size();
}

TEST(StartupRules, TheLaunchTargetIsTheLastNodeOnlyWhenItIsOnline)
{
    const QList<Node> nodes{node(1, offline), node(2, online), node(3, offline), node(4, online)};
    struct Case {
        qint64 lastNodeId;
        std::optional<qint64> id;
    };
    const Case cases[] = {
        {0, 2}, // none remembered: the first online node
        {-1, 2},
        {4, 4},
        {3, std::nullopt}, // remembered but offline
        {99, std::nullopt}, // no longer listed
    };
    for (const auto& c : cases)
        EXPECT_EQ(idOf(StartupRules::launchTarget(nodes, c.lastNodeId)), c.id) << c.lastNodeId;
    EXPECT_EQ(idOf(StartupRules::launchTarget({node(1, QStringLiteral("ONLINE"))}, 0)), std::nullopt)
        << "only the exact status counts as online";
}

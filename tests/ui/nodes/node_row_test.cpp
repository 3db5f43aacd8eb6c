// What a node row shows in its latency column and star.
#include "nodes_fixture.h"

#include "ui/nodes/node_row.h"

TEST(NodeRow, LatencyColoursStepAt80And200And500)
{
    const std::pair<qint64, TextColor> cases[]
        = {{-5, TextColor::Green},   {0, TextColor::Green},    {79, TextColor::Green},
           {80, TextColor::Yellow},  {199, TextColor::Yellow}, {200, TextColor::Orange},
           {499, TextColor::Orange}, {500, TextColor::Red},    {3000, TextColor::Red}};
    for (const auto& [ms, colour] : cases)
        EXPECT_EQ(NodeRow::latencyColor(ms), colour) << ms;
}

TEST(NodeRow, LatencyColumnShowsTheTestThenTheServerAndNeverAFailureAsAFigure)
{
    using Kind = NodeRow::Latency::Kind;
    const Node withDelay = makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 85);
    const Node without = makeNode(2, QStringLiteral("b"));
    struct Case {
        const char* what;
        NodeRow row;
        Kind kind;
        QString text;
    };
    const Case cases[] = {
        {"measured", {withDelay, 45}, Kind::value, QStringLiteral("45ms")},
        {"measured zero", {without, 0}, Kind::value, QStringLiteral("0ms")},
        {"server delay", {withDelay}, Kind::value, QStringLiteral("85ms")},
        {"nothing", {without}, Kind::unknown, QStringLiteral("--ms")},
        {"failed probe hides the server figure",
         {withDelay, std::nullopt, true},
         Kind::unknown,
         QStringLiteral("--ms")},
        {"connecting without a value", {without, std::nullopt, false, false, true}, Kind::spinner, QString()},
        {"connecting with a value", {withDelay, std::nullopt, false, false, true}, Kind::value, QStringLiteral("85ms")},
    };
    for (const auto& c : cases) {
        const auto latency = c.row.latency();
        EXPECT_EQ(latency.kind, c.kind) << c.what;
        EXPECT_EQ(latency.text, c.text) << c.what;
    }
}

TEST(NodeRow, StarOnlyWhenShownWithItsTooltip)
{
    NodeRow row{makeNode(1, QStringLiteral("a"))};
    const QWidget list;
    const QRect line(0, 0, 600, NodeRow::height(&list));
    EXPECT_TRUE(line.contains(row.starRect(line, &list)));
    EXPECT_EQ(row.starToolTip(), t("收藏"));
    row.isFavorite = true;
    EXPECT_EQ(row.starToolTip(), t("取消收藏"));
    row.showFavorite = false;
    EXPECT_TRUE(row.starRect(line, &list).isEmpty());
}

TEST(NodeRow, EveryLineKeepsItsStarBadgeAndLatencyInTheSameColumns)
{
    const QWidget list;
    const QRect line(0, 0, 520, 48);
    const Node node = makeNode(1, QStringLiteral("东京 01"), QStringLiteral("online"), 85);
    const NodeRow idle{node};
    const auto columns = idle.geometry(line, &list);
    EXPECT_TRUE(columns.mark.isEmpty());
    struct Case {
        const char* what;
        NodeRow row;
    };
    const Case cases[] = {
        {"connected", {node, std::nullopt, false, true}},
        {"connecting", {node, std::nullopt, false, false, true}},
        {"favourite", {node, std::nullopt, false, false, false, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto g = c.row.geometry(line, &list);
        EXPECT_EQ(g.star, columns.star);
        EXPECT_EQ(g.badge, columns.badge);
        EXPECT_EQ(g.latency, columns.latency);
        EXPECT_EQ(g.textRight, columns.textRight);
        if (!g.mark.isEmpty()) {
            EXPECT_TRUE(line.contains(g.mark));
            EXPECT_GT(g.mark.left(), g.latency.right()) << "the mark stands right of the latency";
        }
    }
}

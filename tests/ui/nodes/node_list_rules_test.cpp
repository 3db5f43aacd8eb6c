// The node list's rules as plain functions: search, latency order, regions, and the lines of the
// list with favourites first and offline nodes last.
#include "nodes_fixture.h"

#include "ui/nodes/node_list_rules.h"
#include "ui/nodes/popover_rules.h"

using namespace NodeListRules;

namespace {

QList<qint64> ids(const QList<Node>& nodes)
{
    QList<qint64> result;
    for (const auto& node : nodes)
        result.append(node.id);
    return result;
}

// The lines as short texts: "F" favourites header, "R:<region>:<count>", "O" offline header,
// "n<id>" a full row, "o<id>" a reduced row, "empty".
QStringList describe(const QList<Line>& lines)
{
    QStringList out;
    for (const auto& line : lines) {
        switch (line.kind) {
        case Line::Kind::empty:
            out << QStringLiteral("empty");
            break;
        case Line::Kind::favoritesHeader:
            out << QStringLiteral("F");
            break;
        case Line::Kind::regionHeader:
            out << QStringLiteral("R:%1:%2").arg(line.title).arg(line.count);
            break;
        case Line::Kind::offlineHeader:
            out << QStringLiteral("O");
            break;
        case Line::Kind::node:
            out << QStringLiteral("n%1").arg(line.node.id);
            break;
        case Line::Kind::offlineNode:
            out << QStringLiteral("o%1").arg(line.node.id);
            break;
        }
    }
    return out;
}

QStringList texts(const std::vector<const char*>& items)
{
    QStringList out;
    for (const char* item : items)
        out << QString::fromUtf8(item);
    return out;
}

} // namespace

TEST(NodeListRules, SearchMatchesNameHostOrLocationWhateverTheCase)
{
    Node tokyo
        = makeNode(1, QStringLiteral("JP Tokyo 01"), QStringLiteral("online"), std::nullopt, QStringLiteral("Japan"));
    tokyo.server = QStringLiteral("203.0.113.9");
    const Node bare = makeNode(2, QStringLiteral("Plain"));
    struct Case {
        const char* text;
        const Node& node;
        bool kept;
    };
    const Case cases[] = {
        {"", bare, true},
        {"TOKYO", tokyo, true},
        {"japan", tokyo, true},
        {"113.9", tokyo, true},
        {" ", tokyo, true}, // a blank is searched for, not trimmed away
        {" ", bare, false},
        {"osaka", tokyo, false},
        {"japan", bare, false}, // no location: only name and host count
        {"tokyo 01 x", tokyo, false}, // the field holds the text, not the reverse
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesSearch(c.node, QString::fromUtf8(c.text)), c.kept)
            << c.text << " in " << c.node.name.toStdString();
}

TEST(NodeListRules, LatencyKeyPrefersTheTestThenTheServerAndFailuresSortLast)
{
    const Node withDelay = makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 80);
    const Node without = makeNode(2, QStringLiteral("b"));
    struct Case {
        const char* what;
        const Node& node;
        ProbeResults probes;
        qint64 key;
    };
    const Case cases[] = {
        {"server delay", withDelay, {}, 80},
        {"nothing known", without, {}, unknownLatency},
        {"measured beats server", withDelay, {{1, 120}}, 120},
        {"measured zero stays zero", without, {{2, 0}}, 0},
        {"failed probe is not the server figure", withDelay, {{1, std::nullopt}}, unknownLatency},
        {"another node's result", withDelay, {{2, 5}}, 80},
    };
    for (const auto& c : cases)
        EXPECT_EQ(latencyKey(c.node, c.probes), c.key) << c.what;
}

TEST(NodeListRules, OrderIsStableByLatency)
{
    const QList<Node> nodes{
        makeNode(1, QStringLiteral("n1")), makeNode(2, QStringLiteral("n2"), QStringLiteral("online"), 80),
        makeNode(3, QStringLiteral("n3")), makeNode(4, QStringLiteral("n4"), QStringLiteral("online"), 30),
        makeNode(5, QStringLiteral("n5"), QStringLiteral("online"), 80)};
    struct Case {
        const char* what;
        ProbeResults probes;
        QList<qint64> order;
    };
    const Case cases[] = {
        {"server delays, unknown last in list order", {}, {4, 2, 5, 1, 3}},
        {"a measured 120 ms sorts after a server 80 ms", {{4, 120}}, {2, 5, 4, 1, 3}},
        {"a failed probe sorts with the unknown ones", {{4, std::nullopt}}, {2, 5, 1, 3, 4}},
        {"a measured 0 ms is the fastest", {{3, 0}}, {3, 4, 2, 5, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ids(filteredNodes(nodes, QString(), c.probes)), c.order) << c.what;
}

TEST(NodeListRules, RegionsGroupOnlineNodesByExactLocationInLocaleOrder)
{
    const QString other = QStringLiteral("Other");
    const QList<Node> nodes{
        makeNode(1, QStringLiteral("a"), QStringLiteral("online"), std::nullopt, QStringLiteral("us")),
        makeNode(2, QStringLiteral("b"), QStringLiteral("online"), std::nullopt, QStringLiteral("HK")),
        makeNode(3, QStringLiteral("c"), QStringLiteral("online")),
        makeNode(4, QStringLiteral("d"), QStringLiteral("online"), std::nullopt, QStringLiteral("US")),
        makeNode(5, QStringLiteral("e"), QStringLiteral("Online"), std::nullopt, QStringLiteral("HK")),
        makeNode(6, QStringLiteral("f"), QStringLiteral("online"), std::nullopt, QStringLiteral("Other")),
        makeNode(7, QStringLiteral("g"), QStringLiteral("online"), std::nullopt, QStringLiteral("us"))};
    const auto groups = groupByRegion(nodes, other);
    QStringList described;
    for (const auto& group : groups)
        described << group.region + QLatin1Char(':') + QString::number(group.nodes.size());
    // "Online" is not online; "us" and "US" are two regions; "Other" joins the nodes without one.
    QStringList expected{QStringLiteral("HK:1"), QStringLiteral("Other:2"), QStringLiteral("us:2"),
                         QStringLiteral("US:1")};
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a.section(QLatin1Char(':'), 0, 0), b.section(QLatin1Char(':'), 0, 0)) < 0;
    });
    EXPECT_EQ(described, expected);
    EXPECT_EQ(ids(groups[int(expected.indexOf(QStringLiteral("us:2")))].nodes), (QList<qint64>{1, 7}));
}

TEST(NodeListRules, LinesPutFavouritesFirstRegionsThenOffline)
{
    const QString other = QStringLiteral("Other");
    const QList<Node> nodes{
        makeNode(1, QStringLiteral("Tokyo"), QStringLiteral("online"), 50, QStringLiteral("JP")),
        makeNode(2, QStringLiteral("Osaka"), QStringLiteral("online"), 20, QStringLiteral("JP")),
        makeNode(3, QStringLiteral("Dallas"), QStringLiteral("offline"), 10, QStringLiteral("US")),
        makeNode(4, QStringLiteral("Seattle"), QStringLiteral("online"), std::nullopt, QStringLiteral("US")),
        makeNode(5, QStringLiteral("Nowhere"), QStringLiteral("maintenance"))};
    struct Case {
        const char* what;
        QString search;
        QSet<qint64> favorites;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {"no favourites", {}, {}, {"R:JP:2", "n2", "n1", "R:US:1", "n4", "O", "o3", "o5"}},
        {"an online favourite leaves its region, which still counts it",
         {},
         {2},
         {"F", "n2", "R:JP:2", "n1", "R:US:1", "n4", "O", "o3", "o5"}},
        {"a region of favourites only keeps its header",
         {},
         {1, 2},
         {"F", "n2", "n1", "R:JP:2", "R:US:1", "n4", "O", "o3", "o5"}},
        {"an offline favourite is listed twice",
         {},
         {3},
         {"F", "n3", "R:JP:2", "n2", "n1", "R:US:1", "n4", "O", "o3", "o5"}},
        {"search narrows every section",
         QStringLiteral("a"),
         {3},
         {"F", "n3", "R:JP:1", "n2", "R:US:1", "n4", "O", "o3"}},
        {"nothing matches", QStringLiteral("zzz"), {1}, {"empty"}},
    };
    for (const auto& c : cases) {
        const ProbeResults probes;
        EXPECT_EQ(describe(buildLines({nodes, c.search, probes, c.favorites, other})), texts(c.lines)) << c.what;
    }
    const QList<Node> none;
    const QSet<qint64> noFavorites;
    EXPECT_EQ(describe(buildLines({none, QString(), {}, noFavorites, other})), QStringList{QStringLiteral("empty")});
}

TEST(PopoverRules, QuickConnectTakesTheFirstOnlineRecentElseTheFirstOnlineNode)
{
    const Node a = makeNode(1, QStringLiteral("A"));
    const Node b = makeNode(2, QStringLiteral("B"), QStringLiteral("offline"));
    const Node c = makeNode(3, QStringLiteral("C"));
    const Node offlineA = makeNode(4, QStringLiteral("A off"), QStringLiteral("offline"));
    const Node d = makeNode(5, QStringLiteral("D"));
    const Node e = makeNode(6, QStringLiteral("E"));
    struct Case {
        const char* what;
        QList<Node> recent;
        QList<Node> nodes;
        std::optional<qint64> chosen;
    };
    const Case cases[] = {
        {"recent online first", {b, c}, {a, c}, 3},
        {"no recent nodes", {}, {offlineA, d, e}, 5},
        {"no online node at all", {b}, {offlineA}, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto node = PopoverRules::quickConnectNode(c.recent, c.nodes);
        EXPECT_EQ(node ? std::optional(node->id) : std::nullopt, c.chosen) << c.what;
    }
    EXPECT_EQ(ids(PopoverRules::recentOnline({a, b, c, d, e, makeNode(7, QStringLiteral("F"))}, 3)),
              (QList<qint64>{1, 3, 5}));
}

TEST(PopoverRules, PickerFiltersNameOrGroupAndSortsKeysByCodePoint)
{
    const QString other = QStringLiteral("Other");
    const QList<Node> nodes{
        makeNode(1, QStringLiteral("JP Tokyo 01"), QStringLiteral("online"), std::nullopt, QStringLiteral("JP")),
        makeNode(2, QStringLiteral("Osaka"), QStringLiteral("online"), std::nullopt, QStringLiteral("Tokyo")),
        makeNode(3, QStringLiteral("Dallas"), QStringLiteral("online"), std::nullopt, QStringLiteral("US")),
        makeNode(4, QStringLiteral("Hong Kong"), QStringLiteral("online"), std::nullopt, QStringLiteral("HK")),
        makeNode(5, QStringLiteral("Bare"), QStringLiteral("online")),
        makeNode(6, QStringLiteral("Tokyo off"), QStringLiteral("offline"), std::nullopt, QStringLiteral("JP")),
        makeNode(7, QStringLiteral("lower"), QStringLiteral("online"), std::nullopt, QStringLiteral("au"))};
    struct Case {
        const char* search;
        std::vector<const char*> groups;
    };
    const Case cases[] = {
        {"", {"HK:4", "JP:1", "Other:5", "Tokyo:2", "US:3", "au:7"}},
        {"tokyo", {"JP:1", "Tokyo:2"}},
        {"other", {"Other:5"}},
        {"nothing", {}},
    };
    for (const auto& c : cases) {
        QStringList described;
        for (const auto& group : PopoverRules::pickerGroups(nodes, QString::fromUtf8(c.search), other)) {
            QStringList members;
            for (const auto& node : group.nodes)
                members << QString::number(node.id);
            described << group.region + QLatin1Char(':') + members.join(QLatin1Char(','));
        }
        EXPECT_EQ(described, texts(c.groups)) << c.search;
    }
}

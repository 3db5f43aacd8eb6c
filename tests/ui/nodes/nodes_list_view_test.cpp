// The node list screen against a screen-only connection manager, recorded connects and scripted
// latency probes.
#include "nodes_fixture.h"
#include "support/api_requests.h"
#include "support/event_waits.h"
#include "support/painted_texts.h"
#include "support/screenshot.h"
#include "support/table_row.h"
#include "ui/outside_text.h"

#include "ui/common/button.h"
#include "ui/common/search_field.h"
#include "ui/nodes/node_list_model.h"
#include "ui/nodes/nodes_list_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <memory>

using NodeListRules::Line;

class NodesListViewTest : public NodesFixture {
protected:
    NodesListView& showView()
    {
        view = std::make_unique<NodesListView>(
            NodesListView::Services{.appState = appState, .connection = vpn, .probe = probes.probe()});
        view->resize(640, 600);
        view->show();
        QCoreApplication::processEvents();
        return *view;
    }

    // The node ids of the full rows, top to bottom.
    QList<qint64> rowIds() const
    {
        QList<qint64> ids;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            if (view->model()->line(row).kind == Line::Kind::node)
                ids.append(view->model()->line(row).node.id);
        }
        return ids;
    }

    void select(qint64 nodeId)
    {
        const auto row = view->model()->rowOf(nodeId);
        ASSERT_TRUE(row);
        view->list()->setCurrentIndex(view->model()->index(*row));
    }

    QList<qint64> selectedIds() const
    {
        QList<qint64> ids;
        for (const auto& index : view->list()->selectionModel()->selectedIndexes())
            ids.append(view->model()->line(index.row()).node.id);
        return ids;
    }

    ScriptedProbes probes;
    std::unique_ptr<NodesListView> view;
};

TEST_F(NodesListViewTest, InfoBarCountsEveryNodeAndTheEmptyLineNamesTheSearch)
{
    auto& list = showView();
    EXPECT_EQ(list.countLabel()->text(), i18n::format(t("共 %d 个节点"), 0));
    EXPECT_EQ(list.model()->emptyMessage(), t("无可用节点"));
    EXPECT_FALSE(list.bottomBar()->isVisible());

    signIn({makeNode(1, QStringLiteral("Tokyo")), makeNode(2, QStringLiteral("Dallas"), QStringLiteral("offline"))});
    waitUntil([&] { return list.model()->rowCount() > 1; });
    EXPECT_EQ(list.countLabel()->text(), i18n::format(t("共 %d 个节点"), 2));

    list.searchField()->setText(QStringLiteral("nowhere"));
    ASSERT_EQ(list.model()->rowCount(), 1);
    EXPECT_EQ(list.model()->line(0).kind, Line::Kind::empty);
    EXPECT_EQ(list.model()->emptyMessage(), i18n::format(t("未找到 \"%@\""), QStringLiteral("nowhere")));
    // The count ignores the search.
    EXPECT_EQ(list.countLabel()->text(), i18n::format(t("共 %d 个节点"), 2));
}

TEST_F(NodesListViewTest, EveryCountSaysOneNodeInTheSingular)
{
    struct Case {
        AppLanguage language;
        int nodes;
        const char* total;
        const char* region; // the region header's count; none without nodes
    };
    const Case cases[] = {
        {AppLanguage::en, 0, "0 nodes", nullptr},
        {AppLanguage::en, 1, "1 node", "1 node"},
        {AppLanguage::en, 2, "2 nodes", "2 nodes"},
        {AppLanguage::zh, 0, "共 0 个节点", nullptr},
        {AppLanguage::zh, 1, "共 1 个节点", "1 个节点"},
        {AppLanguage::zh, 2, "共 2 个节点", "2 个节点"},
        {AppLanguage::ja, 0, "0 ノード", nullptr},
        {AppLanguage::ja, 1, "1 ノード", "1 ノード"},
        {AppLanguage::ja, 2, "2 ノード", "2 ノード"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        lookups.manager.setLanguage(c.language);
        QList<Node> nodes;
        for (int id = 1; id <= c.nodes; ++id)
            nodes.append(makeNode(id, QStringLiteral("Tokyo %1").arg(id), QStringLiteral("online"), std::nullopt,
                                  QStringLiteral("日本")));
        signIn(nodes);
        auto& list = showView();
        waitUntil([&] { return list.model()->rowCount() == std::max(c.nodes + 1, 1); });
        EXPECT_EQ(list.countLabel()->text(), QString::fromUtf8(c.total));
        if (!c.region)
            continue;
        const auto& header = list.model()->line(0);
        ASSERT_EQ(header.kind, Line::Kind::regionHeader);
        // The header is painted, not a widget: what its delegate draws, the region then its count.
        PaintedTexts painted;
        {
            QPainter painter(&painted);
            QStyleOptionViewItem option;
            option.rect = list.list()->visualRect(list.model()->index(0));
            option.widget = list.list();
            list.list()->itemDelegate()->paint(&painter, option, list.model()->index(0));
        }
        EXPECT_EQ(painted.joined(), header.title + QString::fromUtf8(c.region));
    }
}

TEST_F(NodesListViewTest, TheRefreshButtonLoadsTheNodeListAgain)
{
    signIn({makeNode(1, QStringLiteral("Tokyo"))});
    auto& list = showView();
    waitUntil([&] { return openRequests(*world.api) == 0; });
    RequestedPaths requests(*world.api);

    list.refreshButton()->click();

    waitUntil([&] { return requests.paths.contains(QStringLiteral("/api/nodes")); });
}

TEST_F(NodesListViewTest, LatencyResultsInAnyOrderReSortAsTheyArriveAndFailuresSortLast)
{
    QList<Node> nodes{makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 10),
                      makeNode(2, QStringLiteral("b"), QStringLiteral("online"), 20),
                      makeNode(3, QStringLiteral("c"), QStringLiteral("online"), 30),
                      makeNode(4, QStringLiteral("d"), QStringLiteral("offline"), 5)};
    // Each node listens on a port of its own.
    for (auto& node : nodes)
        node.port = 20000 + node.id;
    // Node 3 answers first and fastest, node 1 fails, node 2 answers last.
    probes.answers[nodes[2].server] = {std::chrono::milliseconds(20), 7};
    probes.answers[nodes[0].server] = {std::chrono::milliseconds(500), std::nullopt};
    probes.answers[nodes[1].server] = {std::chrono::milliseconds(1000), 90};
    signIn(nodes);
    auto& list = showView();
    EXPECT_EQ(rowIds(), (QList<qint64>{1, 2, 3}));

    list.startPingAll();
    EXPECT_TRUE(list.isPinging());
    EXPECT_TRUE(list.testingIndicator()->isVisible());
    EXPECT_FALSE(list.testButton()->isEnabled());
    // Offline nodes are not probed; each probe goes to its node's port, with the list's limit of 3.0 s.
    ASSERT_EQ(probes.asked.size(), 3);
    for (const auto& asked : probes.asked) {
        SCOPED_TRACE(asked.host.toStdString());
        const auto node
            = std::find_if(nodes.cbegin(), nodes.cend(), [&](const Node& n) { return n.server == asked.host; });
        ASSERT_NE(node, nodes.cend());
        EXPECT_TRUE(node->isOnline());
        EXPECT_EQ(asked.port, node->port);
        EXPECT_EQ(asked.timeout, 3.0);
    }

    waitUntil([&] { return list.nodePings().contains(3); });
    waitUntil([&] { return rowIds() == QList<qint64>{3, 1, 2}; });
    waitUntil([&] { return list.nodePings().contains(1); });
    // A failed probe is not a figure and is no longer sorted by the server's 10 ms.
    waitUntil([&] { return rowIds() == QList<qint64>{3, 2, 1}; });
    const auto failed = list.model()->nodeRow(*list.model()->rowOf(1));
    EXPECT_TRUE(failed.probeFailed);
    EXPECT_EQ(failed.latency().text, QStringLiteral("--ms"));

    waitUntil([&] { return !list.isPinging(); });
    EXPECT_EQ(rowIds(), (QList<qint64>{3, 2, 1}));
    EXPECT_EQ(list.model()->nodeRow(*list.model()->rowOf(2)).latency().text, QStringLiteral("90ms"));
    EXPECT_FALSE(list.testingIndicator()->isVisible());
    EXPECT_TRUE(list.testButton()->isEnabled());
}

TEST_F(NodesListViewTest, TestOfNoOnlineNodeEndsAtOnce)
{
    signIn({makeNode(1, QStringLiteral("a"), QStringLiteral("offline"))});
    auto& list = showView();
    list.startPingAll();
    EXPECT_FALSE(list.isPinging());
    EXPECT_TRUE(list.testButton()->isEnabled());
}

TEST_F(NodesListViewTest, SelectionSurvivesResultsAndReloadsAndConnectsWithTheReloadedValues)
{
    probes.answers[QStringLiteral("127.0.0.2")] = {std::chrono::milliseconds(10), 300};
    signIn({makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 10),
            makeNode(2, QStringLiteral("b"), QStringLiteral("online"), 20)});
    auto& list = showView();
    select(2);
    EXPECT_EQ(selectedIds(), QList<qint64>{2});
    ASSERT_TRUE(list.bottomBar()->isVisible());
    EXPECT_EQ(list.bottomBarName()->text(), QStringLiteral("b"));

    // A latency result re-sorts the list: the selection moves with its node.
    list.startPingAll();
    waitUntil([&] { return !list.isPinging(); });
    EXPECT_EQ(selectedIds(), QList<qint64>{2});

    // A reload gives node 2 a new name, host, port and password.
    Node moved = makeNode(2, QStringLiteral("b renamed"), QStringLiteral("online"), 20);
    moved.server = QStringLiteral("198.51.100.20");
    moved.port = 8443;
    moved.password = QStringLiteral("new secret");
    signIn({makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 10), moved});
    waitUntil([&] { return list.bottomBarName()->text() == QStringLiteral("b renamed"); });
    EXPECT_EQ(selectedIds(), QList<qint64>{2});

    // A search that hides it keeps it selected; clearing the search shows it selected again.
    list.searchField()->setText(QStringLiteral("zzz"));
    EXPECT_TRUE(list.bottomBar()->isVisible());
    list.searchField()->setText(QString());
    EXPECT_EQ(selectedIds(), QList<qint64>{2});

    list.bottomBarButton()->click();
    waitUntil([&] { return vpn.connects.size() == 1; });
    EXPECT_EQ(vpn.connects.first().server, QStringLiteral("198.51.100.20"));
    EXPECT_EQ(vpn.connects.first().port, 8443);
    EXPECT_EQ(vpn.connects.first().password, QStringLiteral("new secret"));
}

TEST_F(NodesListViewTest, BottomBarConnectsDisconnectsAndShowsProgressWhileConnecting)
{
    const Node a = makeNode(1, QStringLiteral("a"));
    const Node b = makeNode(2, QStringLiteral("b"));
    signIn({a, b});
    // Connects that stay pending until the test lets them go.
    bool release = false;
    vpn.onConnect = [&release](Node) {
        return [](bool* release) -> QCoro::Task<> {
            while (!*release)
                co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        }(&release);
    };
    view = std::make_unique<NodesListView>(
        NodesListView::Services{.appState = appState, .connection = vpn, .probe = probes.probe()});
    view->show();
    auto& list = *view;
    connectTo(a);
    select(1);
    EXPECT_EQ(list.bottomBarButton()->text(), t("断开"));
    EXPECT_EQ(list.model()->nodeRow(*list.model()->rowOf(1)).isConnected, true);
    list.bottomBarButton()->click();
    EXPECT_EQ(vpn.disconnects, 1);
    EXPECT_TRUE(vpn.connects.isEmpty());

    // While connecting or disconnecting, no row is the connected one.
    vpn.setState(ConnectionState::connecting);
    EXPECT_FALSE(list.model()->nodeRow(*list.model()->rowOf(1)).isConnected);
    EXPECT_EQ(list.bottomBarButton()->text(), t("连接"));
    vpn.setState(ConnectionState::connected);

    select(2);
    EXPECT_EQ(list.bottomBarButton()->text(), t("连接"));
    list.bottomBarButton()->click();
    ASSERT_EQ(vpn.connects.size(), 1);
    EXPECT_EQ(vpn.connects.first().id, 2);
    EXPECT_TRUE(list.bottomBarProgress()->isVisible());
    EXPECT_FALSE(list.bottomBarButton()->isVisible());
    EXPECT_TRUE(list.model()->nodeRow(*list.model()->rowOf(2)).isConnecting);
    release = true;
    waitUntil([&] { return !list.connectingNode(); });
    EXPECT_TRUE(list.bottomBarButton()->isVisible());
    EXPECT_FALSE(list.model()->nodeRow(*list.model()->rowOf(2)).isConnecting);
}

TEST_F(NodesListViewTest, TheStarOnlyTogglesTheFavouriteAndLeavesTheSelection)
{
    signIn({makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 10, QStringLiteral("JP")),
            makeNode(2, QStringLiteral("b"), QStringLiteral("online"), 20, QStringLiteral("JP"))});
    auto& list = showView();
    const auto clickStarOf = [&](qint64 id) {
        const auto row = *list.model()->rowOf(id);
        const QRect rect = list.list()->visualRect(list.model()->index(row));
        QTest::mouseClick(list.list()->viewport(), Qt::LeftButton, {},
                          list.model()->nodeRow(row).starRect(rect, list.list()).center());
    };

    // Nothing selected: the star adds the favourite and opens no bottom bar.
    clickStarOf(2);
    waitUntil([&] { return appState.favoriteNodeIds() == QSet<qint64>{2}; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(list.selectedNodes().isEmpty());
    EXPECT_FALSE(list.bottomBar()->isVisible());

    // Another row selected: its star leaves that selection as it is.
    const QRect first = list.list()->visualRect(list.model()->index(*list.model()->rowOf(1)));
    QTest::mouseClick(list.list()->viewport(), Qt::LeftButton, {}, QPoint(first.left() + 40, first.center().y()));
    ASSERT_EQ(list.selectedNodes().size(), 1);
    ASSERT_EQ(list.selectedNodes().first().id, 1);
    clickStarOf(2);
    waitUntil([&] { return appState.favoriteNodeIds().isEmpty(); });
    QCoreApplication::processEvents();
    ASSERT_EQ(list.selectedNodes().size(), 1);
    EXPECT_EQ(list.selectedNodes().first().id, 1);
    EXPECT_EQ(list.bottomBarName()->text(), QStringLiteral("a"));
}

TEST_F(NodesListViewTest, StarAndContextMenuToggleFavouritesThatPersist)
{
    signIn({makeNode(1, QStringLiteral("a"), QStringLiteral("online"), 10, QStringLiteral("JP")),
            makeNode(2, QStringLiteral("b"), QStringLiteral("online"), 20, QStringLiteral("JP"))});
    auto& list = showView();
    const auto row = *list.model()->rowOf(2);
    const QRect rect = list.list()->visualRect(list.model()->index(row));
    const QRect star = list.model()->nodeRow(row).starRect(rect, list.list());
    QTest::mouseClick(list.list()->viewport(), Qt::LeftButton, {}, star.center());
    waitUntil([&] { return list.model()->line(0).kind == Line::Kind::favoritesHeader; });
    EXPECT_EQ(list.model()->line(1).node.id, 2);
    EXPECT_TRUE(list.model()->nodeRow(1).isFavorite);
    // Stored, so a new application state over the same settings knows it.
    AppStateWorld again(*settings.store);
    EXPECT_EQ(again.appState.favoriteNodeIds(), QSet<qint64>{2});

    QTest::mouseClick(
        list.list()->viewport(), Qt::LeftButton, {},
        list.model()->nodeRow(1).starRect(list.list()->visualRect(list.model()->index(1)), list.list()).center());
    waitUntil([&] { return list.model()->line(0).kind == Line::Kind::regionHeader; });
    EXPECT_TRUE(appState.favoriteNodeIds().isEmpty());

    // The context menu of a full row holds the one favourite item.
    const QRect first = list.list()->visualRect(list.model()->index(*list.model()->rowOf(1)));
    emit list.list()->customContextMenuRequested(first.center());
    auto* menu = list.findChild<QMenu*>();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().first()->text(), t("收藏"));
    menu->actions().first()->trigger();
    menu->close();
    waitUntil([&] { return appState.favoriteNodeIds() == QSet<qint64>{1}; });
    waitUntil([&] { return list.model()->line(0).kind == Line::Kind::favoritesHeader; });
}

TEST_F(NodesListViewTest, OfflineRowsAreReducedAndHaveNoContextMenu)
{
    connectTo(makeNode(2, QStringLiteral("b"), QStringLiteral("Online")));
    signIn({makeNode(1, QStringLiteral("a")), makeNode(2, QStringLiteral("b"), QStringLiteral("Online"), 44)});
    auto& list = showView();
    const auto row = list.model()->rowOf(2);
    ASSERT_TRUE(row);
    EXPECT_EQ(list.model()->line(*row).kind, Line::Kind::offlineNode);
    const auto face = list.model()->nodeRow(*row);
    EXPECT_FALSE(face.showFavorite);
    EXPECT_FALSE(face.isConnected);
    EXPECT_EQ(face.latency().text, QStringLiteral("44ms"));
    emit list.list()->customContextMenuRequested(list.list()->visualRect(list.model()->index(*row)).center());
    EXPECT_FALSE(list.findChild<QMenu*>());
}

TEST_F(NodesListViewTest, ARebuildKeepsTheScrollPosition)
{
    QList<Node> nodes;
    for (qint64 id = 1; id <= 300; ++id)
        nodes.append(makeNode(id, QStringLiteral("Node %1").arg(id), QStringLiteral("online"), id));
    signIn(nodes);
    auto& list = showView();
    auto* bar = list.list()->verticalScrollBar();
    waitUntil([&] { return bar->maximum() > 0; });
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    select(150);
    appState.toggleFavorite(299);
    waitUntil([&] { return list.model()->line(0).kind == Line::Kind::favoritesHeader; });
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), scrolled);
    EXPECT_EQ(selectedIds(), QList<qint64>{150});
}

TEST_F(NodesListViewTest, ProbesEndingAfterTheScreenIsGoneAreDropped)
{
    probes.answers[QStringLiteral("127.0.0.2")] = {std::chrono::milliseconds(40), 12};
    probes.answers[QStringLiteral("127.0.0.3")] = {std::chrono::milliseconds(60), std::nullopt};
    signIn({makeNode(1, QStringLiteral("a")), makeNode(2, QStringLiteral("b"))});
    showView().startPingAll();
    ASSERT_TRUE(view->isPinging());
    view.reset();
    // Both probes end with nobody to tell; nothing is touched.
    waitUntil([&] { return probes.answered == 2; });
    QCoreApplication::processEvents();
    EXPECT_EQ(probes.asked.size(), 2);
}

TEST_F(NodesListViewTest, HostileNamesAndRegionsAreCutToTheirRowsAndTheWindowKeepsItsSize)
{
    // Ids 251 and 252 have the hosts of 1 and 2: another list, drawn alike.
    const auto nodes = [](qint64 firstId, const std::function<QString(QString)>& shown) {
        return QList<Node>{
            makeNode(firstId, shown(hostileText(QStringLiteral("node"))), QStringLiteral("online"), 42,
                     shown(hostileText(QStringLiteral("region")))),
            makeNode(firstId + 1, QStringLiteral("香港 02"), QStringLiteral("online"), 80, QStringLiteral("香港"))};
    };
    signIn(nodes(1, [](QString text) { return text; }));
    auto& list = showView();
    // The bottom bar shows the selected node's name too.
    select(1);
    deliverPostedEvents();

    EXPECT_EQ(list.size(), QSize(640, 600));
    expectEveryLabelPlain(list);
    expectContentFitsItsWindow(list);
    ASSERT_TRUE(list.bottomBar()->isVisible());
    expectOnOneLine(*list.bottomBarName(), hostileText(QStringLiteral("node")));
    EXPECT_FALSE(saveScreenshot(list, QStringLiteral("nodes-list-hostile-names")).isEmpty());
    // Drawn exactly as the same names with their breaks and direction controls taken out.
    const QImage drawn = list.grab().toImage();
    view.reset();
    signIn(nodes(251, [](QString text) { return oneLine(text); }));
    auto& again = showView();
    select(251);
    deliverPostedEvents();
    EXPECT_TRUE(again.grab().toImage() == drawn);
}

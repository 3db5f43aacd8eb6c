// The status item's popover against a screen-only connection that records what is asked of it and
// a login item that can refuse.
#include "nodes_fixture.h"
#include "support/event_waits.h"
#include "ui/outside_text.h"

#include "platform/fakes/fake_login_item.h"
#include "platform/language_manager.h"
#include "support/api_requests.h"
#include "support/qt_printers.h"
#include "support/scoped_theme.h"
#include "support/screenshot.h"
#include "support/wrapped_text.h"
#include "ui/common/button.h"
#include "ui/common/icon_button.h"
#include "ui/common/row_button.h"
#include "ui/common/search_field.h"
#include "ui/common/segmented_picker.h"
#include "ui/common/toggle_switch.h"
#include "ui/dashboard/block_notice.h"
#include "ui/nodes/menu_bar_view.h"
#include "ui/nodes/node_picker.h"
#include "ui/nodes/popover_controls.h"
#include "ui/nodes/popover_status.h"
#include "ui/shell/menu_bar_manager.h"

#include <QDialog>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QScrollBar>

#include <functional>
#include <memory>

class MenuBarViewTest : public NodesFixture {
protected:
    // The popover's services over this world, with the given login item and quit.
    MenuBarView::Services services(
        LoginItem& login, std::function<void()> quit = [] {})
    {
        return {.connection = vpn,
                .appState = appState,
                .languageManager = lookups.manager,
                .settings = *settings.store,
                .loginItem = login,
                .quit = std::move(quit)};
    }

    MenuBarView& showView()
    {
        view = std::make_unique<MenuBarView>(services(loginItem, [this] { ++quits; }));
        view->setFixedSize(340, 520);
        view->show();
        QCoreApplication::processEvents();
        return *view;
    }

    void addRecent(std::initializer_list<qint64> ids)
    {
        for (auto id = std::rbegin(ids); id != std::rend(ids); ++id)
            appState.addRecent(*id);
        QCoreApplication::processEvents();
    }

    FakeLoginItem loginItem;
    int quits = 0;
    std::unique_ptr<MenuBarView> view;
};

TEST_F(MenuBarViewTest, QuickConnectPicksARecentOnlineNodeElseTheFirstOnline)
{
    const Node a = makeNode(1, QStringLiteral("A"));
    const Node b = makeNode(2, QStringLiteral("B"), QStringLiteral("offline"));
    const Node c = makeNode(3, QStringLiteral("C"));
    signIn({a, b, c});
    addRecent({2, 3});
    auto& popover = showView();
    EXPECT_EQ(popover.quickConnect()->title(), t("快速连接"));
    EXPECT_EQ(popover.quickConnect()->stateText(), t("未连接"));
    popover.quickConnect()->click();
    waitUntil([&] { return vpn.connects.size() == 1; });
    EXPECT_EQ(vpn.connects.first().id, 3);

    connectTo(c);
    EXPECT_EQ(popover.quickConnect()->title(), t("断开连接"));
    popover.quickConnect()->click();
    EXPECT_EQ(vpn.disconnects, 1);
    EXPECT_EQ(vpn.connects.size(), 1);
}

TEST_F(MenuBarViewTest, SignedOutQuickConnectOpensTheMainWindowAndRowsDoNothing)
{
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velmorand"));
    appState.setNodes({makeNode(1, QStringLiteral("A"))});
    auto& popover = showView();
    ASSERT_FALSE(window.isVisible());
    popover.quickConnect()->click();
    EXPECT_TRUE(window.isVisible());
    popover.toggleConnection(makeNode(1, QStringLiteral("A")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(vpn.connects.isEmpty());
    EXPECT_EQ(vpn.disconnects, 0);
}

TEST_F(MenuBarViewTest, OpenPanelBringsTheMainWindowNotAWindowTitledLikeIt)
{
    struct Case {
        const char* name;
        int windowsTitledAlike; // the sign-in sheet, the update alert…
        bool minimised;
    };
    const Case cases[] = {
        {"closed to the status item, beside the sign-in sheet", 1, false},
        {"closed, beside the sign-in sheet and the update alert", 2, false},
        {"closed, beside four windows of its title", 4, false},
        {"minimised, beside the sign-in sheet", 1, true},
    };
    auto& popover = showView();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Velmorand"));
        std::vector<std::unique_ptr<QDialog>> alike;
        for (int i = 0; i < c.windowsTitledAlike; ++i) {
            alike.push_back(std::make_unique<QDialog>());
            alike.back()->setWindowTitle(QStringLiteral("Velmorand"));
            alike.back()->show();
        }
        if (c.minimised) {
            window.show();
            window.setWindowState(Qt::WindowMinimized);
        }
        popover.quickSettings()->openButton()->click();
        QCoreApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.isMinimized());
    }
}

TEST_F(MenuBarViewTest, RowsConnectSwitchAndDisconnectTheActiveNode)
{
    const Node a = makeNode(1, QStringLiteral("A"));
    const Node d = makeNode(4, QStringLiteral("D"));
    signIn({a, d});
    auto& popover = showView();
    connectTo(a);
    popover.toggleConnection(a);
    EXPECT_EQ(vpn.disconnects, 1);
    popover.toggleConnection(d);
    waitUntil([&] { return vpn.connects.size() == 1; });
    EXPECT_EQ(vpn.connects.first().id, 4);

    // A reload changed the address of D: the tap connects with the new one.
    Node moved = d;
    moved.server = QStringLiteral("198.51.100.4");
    moved.port = 9443;
    appState.setNodes({a, moved});
    popover.toggleConnection(d);
    waitUntil([&] { return vpn.connects.size() == 2; });
    EXPECT_EQ(vpn.connects.last().server, QStringLiteral("198.51.100.4"));
    EXPECT_EQ(vpn.connects.last().port, 9443);
}

TEST_F(MenuBarViewTest, RecentSectionListsThreeOnlineNodesWithTheActiveMarked)
{
    QList<Node> nodes;
    for (qint64 id = 1; id <= 6; ++id)
        nodes.append(makeNode(id, QStringLiteral("N%1").arg(id),
                              id == 2 ? QStringLiteral("offline") : QStringLiteral("online")));
    signIn(nodes);
    auto& popover = showView();
    EXPECT_FALSE(popover.recentSection()->isVisible());
    addRecent({1, 2, 3, 4, 5});
    waitUntil([&] { return popover.recentRows().size() == 3; });
    EXPECT_TRUE(popover.recentSection()->isVisible());
    QStringList names;
    for (auto* row : popover.recentRows())
        names << row->findChild<QLabel*>()->text();
    EXPECT_EQ(names, (QStringList{QStringLiteral("N1"), QStringLiteral("N3"), QStringLiteral("N4")}));
    popover.recentRows().at(1)->click();
    waitUntil([&] { return vpn.connects.size() == 1; });
    EXPECT_EQ(vpn.connects.first().id, 3);
}

TEST_F(MenuBarViewTest, NodePickerScrollsSoEveryOnlineNodeIsReachable)
{
    QList<Node> nodes;
    for (qint64 id = 1; id <= 1000; ++id)
        nodes.append(makeNode(id, QStringLiteral("Node %1").arg(id), QStringLiteral("online"), id,
                              id % 2 ? QStringLiteral("JP") : QStringLiteral("US")));
    signIn(nodes);
    auto& popover = showView();
    auto* picker = popover.nodePicker();
    auto* list = picker->list();
    // Every node and both headings are lines of the picker, inside a fixed-size popover.
    ASSERT_EQ(picker->model()->rowCount(), 1002);
    EXPECT_EQ(popover.size(), QSize(340, 520));
    EXPECT_GT(list->verticalScrollBar()->maximum(), 0);

    const auto last = picker->model()->index(picker->model()->rowCount() - 1);
    list->scrollTo(last);
    QCoreApplication::processEvents();
    const QRect rect = list->visualRect(last);
    ASSERT_TRUE(list->viewport()->rect().contains(rect.center()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    waitUntil([&] { return vpn.connects.size() == 1; });
    EXPECT_EQ(vpn.connects.first().id, 1000);
}

TEST_F(MenuBarViewTest, PickerSearchAndEmptyList)
{
    auto& popover = showView();
    auto* picker = popover.nodePicker();
    EXPECT_TRUE(picker->emptyLabel()->isVisible());
    signIn({makeNode(1, QStringLiteral("JP Tokyo 01"), QStringLiteral("online"), 85, QStringLiteral("JP")),
            makeNode(2, QStringLiteral("Osaka"), QStringLiteral("online"), std::nullopt, QStringLiteral("Tokyo")),
            makeNode(3, QStringLiteral("Dallas"), QStringLiteral("online"), std::nullopt, QStringLiteral("US"))});
    waitUntil([&] { return picker->model()->rowCount() == 6; });
    EXPECT_FALSE(picker->emptyLabel()->isVisible());
    picker->searchField()->setText(QStringLiteral("tokyo"));
    EXPECT_EQ(picker->model()->rowCount(), 4);
    picker->searchField()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(picker->model()->rowCount(), 0);
    EXPECT_FALSE(picker->emptyLabel()->isVisible());
}

TEST_F(MenuBarViewTest, StatusCardFollowsTheConnection)
{
    signIn({makeNode(1, QStringLiteral("Tokyo"))});
    auto& popover = showView();
    auto* card = popover.statusCard();
    EXPECT_EQ(card->stateLabel()->text(), t("未连接"));
    EXPECT_FALSE(card->speedRow()->isVisible());
    EXPECT_FALSE(card->totalsRow()->isVisible());
    EXPECT_TRUE(popover.quickConnect()->durationText().isEmpty());

    vpn.setState(ConnectionState::connecting);
    EXPECT_EQ(card->stateLabel()->text(), t("连接中..."));
    EXPECT_EQ(popover.quickConnect()->title(), t("快速连接"));

    connectTo(makeNode(1, QStringLiteral("Tokyo")));
    vpn.setConnectionDuration(3725);
    vpn.setTrafficSpeedDown(1536);
    vpn.setTrafficDown(1073741824);
    EXPECT_EQ(card->nodeLabel()->text(), QStringLiteral("Tokyo"));
    EXPECT_EQ(card->durationLabel()->text(), QStringLiteral("1:02:05"));
    EXPECT_EQ(popover.quickConnect()->durationText(), QStringLiteral("1:02:05"));
    EXPECT_TRUE(card->speedRow()->isVisible());
    EXPECT_EQ(card->downSpeed()->text(), QStringLiteral("1.5 KB/s"));
    EXPECT_EQ(card->downTotal()->text(), QStringLiteral("1.00 GB"));
}

TEST_F(MenuBarViewTest, ThePopoverSaysWhenTheChosenKillSwitchIsNotInForce)
{
    signIn({makeNode(1, QStringLiteral("Tokyo"))});
    auto& popover = showView();
    auto* notice = popover.findChild<BlockNotice*>(QStringLiteral("blockNotice"));
    ASSERT_TRUE(notice);
    connectTo(makeNode(1, QStringLiteral("Tokyo")));
    EXPECT_FALSE(notice->isVisibleTo(&popover));

    vpn.setKillSwitchNotInForce(QStringLiteral("规则加载失败"));
    EXPECT_TRUE(notice->isVisibleTo(&popover));
    EXPECT_EQ(notice->text(), t("网络锁未生效：") + t("规则加载失败"));
    EXPECT_FALSE(saveScreenshot(popover, QStringLiteral("popover-kill-switch-not-in-force")).isEmpty());

    vpn.setKillSwitchLoaded(true);
    EXPECT_EQ(notice->text(), t("网络锁生效中，非 VPN 流量已被阻止"));
    // The longest reason, in a language that takes more room, wraps inside the popover's width.
    vpn.setKillSwitchLoaded(false);
    vpn.setKillSwitchNotInForce(QStringLiteral("当前安装位置不受信任，请安装到系统目录"));
    lookups.manager.setLanguage(AppLanguage::en);
    auto& english = showView();
    notice = english.findChild<BlockNotice*>(QStringLiteral("blockNotice"));
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->textLabel()->text().startsWith(QStringLiteral("Kill switch not in force: ")));
    const auto* label = notice->textLabel();
    EXPECT_LE(label->mapTo(&english, QPoint(label->width(), 0)).x(), english.width());
    EXPECT_LE(wrappedTextRect(*label).height(), label->height()) << "every line of it shown";
    EXPECT_FALSE(saveScreenshot(english, QStringLiteral("popover-kill-switch-not-in-force-en")).isEmpty());
}

// The login item counts its changes.
struct CountingLoginItem final : LoginItem {
    bool isEnabled() const override { return inner.isEnabled(); }
    bool setEnabled(bool enabled) override
    {
        ++calls;
        return inner.setEnabled(enabled);
    }
    FakeLoginItem inner;
    int calls = 0;
};

TEST_F(MenuBarViewTest, RefusedLaunchAtLoginSpringsBackOnceWithoutCallingAgain)
{
    CountingLoginItem counting;
    MenuBarView popover(services(counting));
    popover.show();
    auto* toggle = popover.quickSettings()->launchOnLogin();
    EXPECT_FALSE(toggle->isChecked());

    struct Case {
        const char* what;
        bool refuse;
        bool shownAfter;
    };
    const Case cases[] = {
        {"on, refused: stays off", true, false},
        {"on, accepted", false, true},
        {"off, refused: stays on", true, true},
        {"off, accepted", false, false},
    };
    int calls = 0;
    for (const auto& c : cases) {
        counting.inner.refuse = c.refuse;
        toggle->click();
        QCoreApplication::processEvents();
        ++calls;
        EXPECT_EQ(counting.calls, calls) << c.what;
        EXPECT_EQ(toggle->isChecked(), c.shownAfter) << c.what;
        EXPECT_EQ(settings.store->boolValue(SettingsKeys::launchOnLogin), std::optional(c.shownAfter)) << c.what;
    }
    // Another popover shows the stored value.
    showView();
    EXPECT_FALSE(view->quickSettings()->launchOnLogin()->isChecked());
}

TEST_F(MenuBarViewTest, SystemProxySwitchOnlyWhileConnectedAndFailedChangeSpringsBack)
{
    auto& popover = showView();
    auto* toggle = popover.quickSettings()->systemProxy();
    EXPECT_FALSE(toggle->isEnabled());
    connectTo(makeNode(1, QStringLiteral("A")));
    EXPECT_TRUE(toggle->isEnabled());

    // A change the connection does not make springs back; putting the switch back asks nothing.
    toggle->click();
    waitUntil([&] { return !toggle->isChecked(); });
    QCoreApplication::processEvents();
    EXPECT_EQ(vpn.systemProxyRequests, QList<bool>{true});

    vpn.systemProxySwitches = true;
    toggle->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(vpn.systemProxyRequests, (QList<bool>{true, true}));
    EXPECT_TRUE(toggle->isChecked());
}

// The pickers ask the connection and show what it publishes, whoever changed it.
TEST_F(MenuBarViewTest, ModePickersAskTheConnectionAndShowItsModes)
{
    auto& popover = showView();
    auto* proxy = popover.modeRow()->proxyMode();
    auto* routing = popover.modeRow()->routingMode();
    EXPECT_EQ(proxy->currentIndex(), 0);
    EXPECT_EQ(routing->currentIndex(), 0);
    QTest::mouseClick(proxy, Qt::LeftButton, {}, proxy->segmentRect(1).center());
    EXPECT_EQ(vpn.proxyMode(), VpnConnection::ProxyMode::tun);
    QTest::mouseClick(routing, Qt::LeftButton, {}, routing->segmentRect(1).center());
    EXPECT_EQ(vpn.routingModeRequests, QStringList{QStringLiteral("global")});

    // The settings form changes them back.
    vpn.setProxyMode(VpnConnection::ProxyMode::socks);
    vpn.publishRoutingMode(QStringLiteral("rule"));
    EXPECT_EQ(proxy->currentIndex(), 0);
    EXPECT_EQ(routing->currentIndex(), 0);
}

TEST_F(MenuBarViewTest, QuitAsksFirstAndDisconnectsALiveConnection)
{
    auto& popover = showView();
    popover.quickSettings()->quitButton()->click();
    auto* box = popover.quitConfirmation();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), t("退出将断开 VPN 连接"));
    // Cancel changes nothing.
    for (auto* button : box->buttons()) {
        if (box->buttonRole(button) == QMessageBox::RejectRole)
            button->click();
    }
    EXPECT_EQ(quits, 0);

    connectTo(makeNode(1, QStringLiteral("A")));
    popover.quickSettings()->quitButton()->click();
    waitUntil([&] { return popover.quitConfirmation() != nullptr; });
    box = popover.quitConfirmation();
    for (auto* button : box->buttons()) {
        if (box->buttonRole(button) == QMessageBox::DestructiveRole)
            button->click();
    }
    EXPECT_EQ(vpn.disconnects, 1);
    EXPECT_EQ(quits, 1);
    // The connection's timers stop at once, not only once the disconnect has run.
    EXPECT_EQ(vpn.timerStops, 1);
}

TEST_F(MenuBarViewTest, TheRefreshButtonLoadsTheNodeListAgain)
{
    signIn({makeNode(1, QStringLiteral("Tokyo"))});
    auto& popover = showView();
    auto* refresh = popover.findChild<IconButton*>(QStringLiteral("refreshNodes"));
    ASSERT_TRUE(refresh);
    waitUntil([&] { return openRequests(*world.api) == 0; });
    RequestedPaths requests(*world.api);

    refresh->click();

    waitUntil([&] { return requests.paths.contains(QStringLiteral("/api/nodes")); });
}

TEST_F(MenuBarViewTest, ALanguageChangeRewritesTheTextsAndKeepsTheSearch)
{
    signIn({makeNode(1, QStringLiteral("Tokyo"), QStringLiteral("online"), std::nullopt, QStringLiteral("JP"))});
    auto& popover = showView();
    popover.nodePicker()->searchField()->setText(QStringLiteral("tok"));
    lookups.manager.setLanguage(AppLanguage::en);
    waitUntil([&] { return popover.quickSettings()->quitButton()->text() == QStringLiteral("Quit"); });
    EXPECT_EQ(popover.nodePicker()->searchField()->text(), QStringLiteral("tok"));
    EXPECT_EQ(popover.nodePicker()->model()->rowCount(), 2);
    EXPECT_EQ(popover.statusCard()->stateLabel()->text(), QStringLiteral("Disconnected"));
    lookups.manager.setLanguage(AppLanguage::zh);
    waitUntil([&] { return popover.quickSettings()->quitButton()->text() == t("退出"); });
}

TEST_F(MenuBarViewTest, TheStatusItemHostsItInAFixedSizePopupThatClosesOnAClickElsewhere)
{
    signIn({makeNode(1, QStringLiteral("Tokyo"), QStringLiteral("online"), 42, QStringLiteral("JP"))});
    MenuBarManager manager({*settings.store, vpn, [] { return true; },
                            [this]() -> QWidget* { return new MenuBarView(services(loginItem)); }, appliedTheme()});
    ASSERT_TRUE(manager.popover());
    manager.togglePopover();
    auto* popup = manager.popover();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->size(), QSize(340, 520));
    EXPECT_TRUE(popup->windowFlags().testFlag(Qt::Popup));
    EXPECT_TRUE(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
    auto* content = popup->findChild<MenuBarView*>();
    ASSERT_TRUE(content);
    EXPECT_EQ(content->nodePicker()->model()->rowCount(), 2);
    EXPECT_FALSE(saveScreenshot(*popup, QStringLiteral("popover-hosted")).isEmpty());
    // A popup closes when the user clicks outside it.
    QWidget elsewhere;
    elsewhere.show();
    QTest::mouseClick(&elsewhere, Qt::LeftButton);
    waitUntil([&] { return !popup->isVisible(); });
    // Opened again, it shows the same content, search included.
    content->nodePicker()->searchField()->setText(QStringLiteral("tok"));
    manager.togglePopover();
    EXPECT_EQ(popup->findChild<MenuBarView*>(), content);
    EXPECT_EQ(content->nodePicker()->searchField()->text(), QStringLiteral("tok"));
}

TEST_F(MenuBarViewTest, HostileNamesShowAsWrittenOnOneLineInsideThePopover)
{
    // Ids 251 and 252 have the hosts of 1 and 2: another list, drawn alike.
    const auto showWith = [this](qint64 firstId, const std::function<QString(QString)>& shown) -> MenuBarView& {
        view.reset();
        const Node hostile = makeNode(firstId, shown(hostileText(QStringLiteral("node"))), QStringLiteral("online"), 42,
                                      shown(hostileText(QStringLiteral("region"))));
        signIn(
            {hostile,
             makeNode(firstId + 1, QStringLiteral("香港 02"), QStringLiteral("online"), 80, QStringLiteral("香港"))});
        addRecent({firstId});
        connectTo(hostile);
        auto& popover = showView();
        deliverPostedEvents();
        return popover;
    };
    const QString name = hostileText(QStringLiteral("node"));
    auto& popover = showWith(1, [](QString text) { return text; });

    expectEveryLabelPlain(popover);
    expectContentFitsItsWindow(popover);
    // The status card and the recent row.
    const auto labels = labelsShowing(popover, name);
    EXPECT_EQ(labels.size(), 2);
    for (const auto* label : labels) {
        expectOnOneLine(*label, name);
        EXPECT_LE(label->mapTo(&popover, QPoint(label->width(), 0)).x(), popover.width());
    }
    EXPECT_FALSE(saveScreenshot(popover, QStringLiteral("popover-hostile-names")).isEmpty());
    // Drawn exactly as the same names with their breaks and direction controls taken out.
    const QImage drawn = popover.grab().toImage();
    EXPECT_TRUE(showWith(251, [](QString text) { return oneLine(text); }).grab().toImage() == drawn);
}

#include "dashboard_fixture.h"
#include "support/event_waits.h"
#include "support/scoped_language.h"
#include "support/screenshot.h"
#include "support/table_row.h"
#include "support/wrapped_text.h"

#include "platform/text_table.h"
#include "ui/common/icon_button.h"
#include "ui/common/row_button.h"
#include "ui/common/symbol_label.h"
#include "ui/dashboard/block_notice.h"
#include "ui/dashboard/connection_card.h"
#include "ui/dashboard/connection_log_card.h"
#include "ui/dashboard/dashboard_style.h"
#include "ui/dashboard/node_cards.h"
#include "ui/dashboard/public_ip_card.h"
#include "ui/dashboard/subscription_card.h"
#include "ui/dashboard/traffic_cards.h"

#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

using DashboardView_ = DashboardFixture;

TEST_F(DashboardView_, ConnectionCardFollowsTheStateInTextColourAndButton)
{
    struct Case {
        ConnectionState state;
        const char* stateKey;
        TextColor color;
        const char* buttonKey;
        bool enabled;
    };
    const Case cases[] = {
        {ConnectionState::disconnected, "未连接", TextColor::Secondary, "连接 VPN", true},
        {ConnectionState::connecting, "连接中...", TextColor::Orange, "连接 VPN", false},
        {ConnectionState::connected, "已连接", TextColor::Green, "断开连接", true},
        {ConnectionState::disconnecting, "断开中...", TextColor::Orange, "连接 VPN", true},
    };
    signIn({node(1, QStringLiteral("Tokyo"))});
    auto& card = *showView().connectionCard();
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        vpn.setState(c.state);
        EXPECT_EQ(card.stateText()->text(), t(c.stateKey));
        EXPECT_EQ(DashboardStyle::statusColor(c.state), c.color);
        EXPECT_EQ(card.buttonText()->text(), t(c.buttonKey));
        EXPECT_EQ(card.connectButton()->isEnabled(), c.enabled) << c.stateKey;
        EXPECT_FALSE(card.signInWarning()->isVisibleTo(view.get()));
    }
}

TEST_F(DashboardView_, TheConnectionCardSaysWhatTheKillSwitchHoldsAndWhenTheChosenOneIsNotInForce)
{
    const auto blocked = t("网络锁生效中，非 VPN 流量已被阻止");
    const QString notInForce = t("网络锁未生效：") + t("未获得管理员授权");
    const auto notReleased = t("网络锁已关闭，但规则未解除，非 VPN 流量仍被阻止");
    struct Case {
        const char* name;
        ConnectionState state;
        bool wanted; // the user's setting
        bool rulesLoaded;
        const char* notInForceReason;
        QString shown; // empty: the notice is hidden
    };
    const Case cases[] = {
        {"connected with the rules", ConnectionState::connected, true, true, "", blocked},
        {"connected without", ConnectionState::connected, true, false, "", {}},
        {"connected, the rules refused", ConnectionState::connected, true, false, "未获得管理员授权", notInForce},
        {"a lost connection's rules held", ConnectionState::disconnected, true, true, "", blocked},
        {"connecting again behind them", ConnectionState::connecting, true, true, "", blocked},
        {"disconnected without", ConnectionState::disconnected, true, false, "", {}},
        {"a reason while disconnected", ConnectionState::disconnected, true, false, "未获得管理员授权", {}},
        // Turned off: rules still loaded are being released, or their release failed.
        {"turned off while connected, the rules held", ConnectionState::connected, false, true, "", notReleased},
        {"turned off, a lost connection's rules held", ConnectionState::disconnected, false, true, "", notReleased},
        {"turned off and released", ConnectionState::connected, false, false, "", {}},
        {"turned off, a reason left", ConnectionState::connected, false, false, "未获得管理员授权", {}},
    };
    signIn({node(1, QStringLiteral("Tokyo"))});
    auto& card = *showView().connectionCard();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vpn.setState(c.state);
        vpn.setKillSwitchWanted(c.wanted);
        vpn.setKillSwitchLoaded(c.rulesLoaded);
        vpn.setKillSwitchNotInForce(QString::fromUtf8(c.notInForceReason));
        EXPECT_EQ(card.blockNotice()->isVisibleTo(view.get()), !c.shown.isEmpty());
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(card.blockNotice()->text(), c.shown);
        }
    }
    // Turning it off changes the line at once, before any release.
    vpn.setKillSwitchLoaded(true);
    vpn.setKillSwitchWanted(true);
    EXPECT_EQ(card.blockNotice()->text(), blocked);
    vpn.setKillSwitchWanted(false);
    EXPECT_EQ(card.blockNotice()->text(), notReleased);
    vpn.setKillSwitchWanted(true);

    // Loaded rules and the end of the connection both clear the reason.
    vpn.setState(ConnectionState::connected);
    vpn.setKillSwitchLoaded(false);
    vpn.setKillSwitchNotInForce(QStringLiteral("未获得管理员授权"));
    EXPECT_FALSE(saveScreenshot(card, QStringLiteral("connection-card-kill-switch-not-in-force")).isEmpty());
    const auto* label = card.blockNotice()->textLabel();
    EXPECT_LT(wrappedTextRect(*label).height(), 2 * label->fontMetrics().lineSpacing()) << "a short reason on one line";
    EXPECT_LE(wrappedTextRect(*label).height(), label->height());
    vpn.setKillSwitchLoaded(true);
    EXPECT_EQ(card.blockNotice()->text(), blocked);
    vpn.setKillSwitchLoaded(false);
    EXPECT_FALSE(card.blockNotice()->isVisibleTo(view.get()));
    vpn.setKillSwitchNotInForce(QStringLiteral("规则加载失败"));
    vpn.setState(ConnectionState::disconnecting);
    EXPECT_FALSE(card.blockNotice()->isVisibleTo(view.get()));
    EXPECT_TRUE(vpn.killSwitchNotInForce().isEmpty());
}

TEST_F(DashboardView_, EveryKillSwitchNoticeShowsWholeInTheConnectionCardInEveryLanguage)
{
    // The card centres the notice at the width it asks for: a width a fraction short of its text
    // breaks the line, and the row, laid out for one line, cuts the second.
    // "" with the kill switch chosen: the block; "" with it turned off: rules not yet released.
    const struct {
        bool wanted;
        const char* reason;
    } notices[] = {{true, ""},
                   {false, ""},
                   {true, "未检测到网络服务"},
                   {true, "未获得管理员授权"},
                   {true, "当前安装位置不受信任，请安装到系统目录"},
                   {true, "节点地址无法放行"},
                   {true, "规则加载失败"}};
    signIn({node(1, QStringLiteral("Tokyo"))});
    vpn.setState(ConnectionState::connected);
    for (const auto language : allAppLanguages) {
        ScopedLanguage scoped(language);
        auto& card = *showView().connectionCard();
        for (const auto& [wanted, reason] : notices) {
            vpn.setKillSwitchWanted(wanted);
            vpn.setKillSwitchLoaded(!*reason);
            vpn.setKillSwitchNotInForce(QString::fromUtf8(reason));
            if (!wanted)
                saveScreenshot(card, QStringLiteral("connection-card-kill-switch-not-released-") + rawValue(language));
            card.layout()->activate();
            const auto* label = card.blockNotice()->textLabel();
            SCOPED_TRACE(label->text().toStdString());
            ASSERT_TRUE(card.blockNotice()->isVisibleTo(view.get()));
            const auto needed = wrappedTextRect(*label);
            EXPECT_LE(needed.height(), label->contentsRect().height()) << "the whole text in the label's room";
            if (QFontMetricsF(label->font()).horizontalAdvance(label->text()) < card.width() / 2) {
                EXPECT_LT(needed.height(), 2 * label->fontMetrics().lineSpacing()) << "on one line in a wide card";
            }
        }
    }
}

TEST_F(DashboardView_, SignedOutHidesTheSubscriptionDisablesTheButtonAndStartsNoFastestNode)
{
    settings.store->setValue(SettingsKeys::autoFastestNode, true);
    latencies = {{1, 20}};
    appState.setNodes({node(1, QStringLiteral("Tokyo"))});
    connectTo(node(1, QStringLiteral("Tokyo")));
    auto& dashboard = showView();
    QCoreApplication::processEvents();

    EXPECT_FALSE(dashboard.subscriptionCard()->isVisibleTo(&dashboard));
    // Signed out while connected: the button would disconnect, but it is disabled all the same.
    EXPECT_FALSE(dashboard.connectionCard()->connectButton()->isEnabled());
    EXPECT_EQ(dashboard.connectionCard()->buttonText()->text(), t("断开连接"));
    EXPECT_TRUE(dashboard.connectionCard()->signInWarning()->isVisibleTo(&dashboard));
    EXPECT_EQ(dashboard.connectionCard()->signInWarning()->text(), t("请先在设置中登录"));
    EXPECT_TRUE(measured.isEmpty());
}

TEST_F(DashboardView_, DisconnectedShowsEveryAlwaysShownCardButTheDetails)
{
    signIn({node(1, QStringLiteral("Tokyo"))});
    auto& dashboard = showView();
    EXPECT_FALSE(dashboard.detailsCard()->isVisibleTo(&dashboard));
    for (QWidget* card :
         std::initializer_list<QWidget*>{dashboard.connectionCard(), dashboard.trafficCard(), dashboard.publicIPCard(),
                                         dashboard.subscriptionCard(), dashboard.nodeCard(), dashboard.logCard()})
        EXPECT_TRUE(card->isVisibleTo(&dashboard)) << card->metaObject()->className();
    connectTo(node(1, QStringLiteral("Tokyo")));
    EXPECT_TRUE(dashboard.detailsCard()->isVisibleTo(&dashboard));
}

TEST_F(DashboardView_, ConnectButtonPicksTheFirstOnlineNodeElseTheFirstNode)
{
    struct Case {
        QList<Node> nodes;
        qint64 expected;
    };
    const Case cases[] = {
        {{node(1, QStringLiteral("A"), QStringLiteral("offline")), node(2, QStringLiteral("B")),
          node(3, QStringLiteral("C"))},
         2},
        // All offline ("Online" is not "online"): the first node all the same.
        {{node(4, QStringLiteral("D"), QStringLiteral("Online")),
          node(5, QStringLiteral("E"), QStringLiteral("offline"))},
         4},
    };
    auto& dashboard = showView();
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        vpn.connects.clear();
        signIn(c.nodes);
        dashboard.connectionCard()->connectButton()->click();
        ASSERT_EQ(vpn.connects.size(), 1);
        EXPECT_EQ(vpn.connects.first().id, c.expected);
    }
    // While disconnecting the button connects again.
    vpn.connects.clear();
    vpn.setState(ConnectionState::disconnecting);
    ASSERT_TRUE(dashboard.connectionCard()->connectButton()->isEnabled());
    dashboard.connectionCard()->connectButton()->click();
    EXPECT_EQ(vpn.connects.size(), 1);
    EXPECT_EQ(vpn.disconnects, 0);
}

TEST_F(DashboardView_, ConnectedButtonDisconnects)
{
    signIn({node(1, QStringLiteral("Tokyo"))});
    auto& dashboard = showView();
    connectTo(node(1, QStringLiteral("Tokyo")));
    dashboard.connectionCard()->connectButton()->click();
    EXPECT_EQ(vpn.disconnects, 1);
    EXPECT_TRUE(vpn.connects.isEmpty());
}

TEST_F(DashboardView_, EmptyNodeListShowsTheNoNodesAlertAndConnectsNothing)
{
    appState.setIsLoggedIn(true);
    auto& dashboard = showView();
    dashboard.connectionCard()->connectButton()->click();
    EXPECT_TRUE(vpn.connects.isEmpty());
    EXPECT_TRUE(dashboard.showConnectError());
    ASSERT_TRUE(dashboard.connectAlert());
    EXPECT_EQ(dashboard.connectAlert()->windowTitle(), t("连接失败"));
    EXPECT_EQ(dashboard.connectAlert()->text(), t("没有可用节点"));
    ASSERT_EQ(dashboard.connectAlert()->buttons().size(), 1);
    EXPECT_EQ(dashboard.connectAlert()->buttons().first()->text(), t("确定"));
    dashboard.connectAlert()->buttons().first()->click();
    EXPECT_FALSE(dashboard.showConnectError());
}

TEST_F(DashboardView_, ConnectedNodeShowsItsNameAndLatencyInThresholdColours)
{
    struct Case {
        std::optional<qint64> delay;
        TextColor color;
    };
    const Case cases[]
        = {{79, TextColor::Green}, {80, TextColor::Orange}, {199, TextColor::Orange}, {200, TextColor::Red}};
    signIn({node(1, QStringLiteral("Tokyo"))});
    auto& card = *showView().connectionCard();
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        connectTo(node(1, QStringLiteral("Tokyo"), QStringLiteral("online"), c.delay));
        EXPECT_TRUE(card.nodeRow()->isVisibleTo(&card));
        EXPECT_EQ(card.nodeName()->text(), QStringLiteral("Tokyo"));
        EXPECT_TRUE(card.latencyRow()->isVisibleTo(&card));
        EXPECT_EQ(card.latencyText()->text(), QString::number(*c.delay) + QStringLiteral(" ms"));
        EXPECT_EQ(DashboardStyle::latencyColor(*c.delay), c.color);
    }
    connectTo(node(1, QStringLiteral("Tokyo")));
    EXPECT_TRUE(card.nodeRow()->isVisibleTo(&card));
    EXPECT_FALSE(card.latencyRow()->isVisibleTo(&card));
}

TEST_F(DashboardView_, NodeRowsConnectToTheirNode)
{
    const QList<Node> nodes{node(1, QStringLiteral("A")), node(2, QStringLiteral("B")), node(3, QStringLiteral("C"))};
    signIn(nodes);
    auto& dashboard = showView();
    ASSERT_EQ(dashboard.nodeCard()->rows().size(), 3);
    dashboard.nodeCard()->rows()[2]->click();
    ASSERT_EQ(vpn.connects.size(), 1);
    EXPECT_EQ(vpn.connects.first().id, 3);
    // Tapping another node while connected asks for it too: the engine switches.
    connectTo(nodes[0]);
    dashboard.nodeCard()->rows()[1]->click();
    ASSERT_EQ(vpn.connects.size(), 2);
    EXPECT_EQ(vpn.connects.last().id, 2);
}

TEST_F(DashboardView_, FastestNodeStartsOnAppearanceOnlyWhileDisconnected)
{
    settings.store->setValue(SettingsKeys::autoFastestNode, true);
    latencies = {{1, 40}, {2, 15}};
    signIn({node(1, QStringLiteral("A")), node(2, QStringLiteral("B"))});
    // Connected: opening the dashboard must not switch the live connection.
    connectTo(node(1, QStringLiteral("A")));
    showView();
    deliverPostedEvents();
    EXPECT_TRUE(measured.isEmpty());
    EXPECT_TRUE(autoConnected.isEmpty());

    // Disconnected: the next appearance picks the fastest node.
    view->hide();
    vpn.setState(ConnectionState::disconnected);
    view->show();
    waitUntil([this] { return !autoConnected.isEmpty(); });
    EXPECT_EQ(autoConnected, QList<qint64>{2});
}

TEST_F(DashboardView_, ArrivingNodeListStartsTheFastestNodeOnlyWhenSignedInAndDisconnected)
{
    settings.store->setValue(SettingsKeys::autoFastestNode, true);
    latencies = {{7, 30}};
    const QList<Node> nodes{node(7, QStringLiteral("G"))};
    appState.setIsLoggedIn(true);
    makeView();

    connectTo(nodes.first());
    appState.setNodes(nodes);
    deliverPostedEvents();
    EXPECT_TRUE(measured.isEmpty());

    vpn.setState(ConnectionState::disconnected);
    appState.setNodes(nodes);
    waitUntil([this] { return !autoConnected.isEmpty(); });
    EXPECT_EQ(autoConnected, QList<qint64>{7});

    autoConnected.clear();
    measured.clear();
    appState.setIsLoggedIn(false);
    appState.setNodes(nodes);
    deliverPostedEvents();
    EXPECT_TRUE(measured.isEmpty());
}

TEST_F(DashboardView_, PublicIPIsLookedUpOnAppearanceAndShownWithItsPlace)
{
    auto& dashboard = showView();
    auto& card = *dashboard.publicIPCard();
    EXPECT_TRUE(dashboard.isFetchingIP());
    EXPECT_FALSE(card.refreshButton()->isEnabled());
    EXPECT_NE(card.currentBody(), card.address()->parentWidget());
    waitUntil([&] { return !dashboard.isFetchingIP(); });
    EXPECT_EQ(card.address()->text(), QStringLiteral("198.51.100.7"));
    EXPECT_EQ(card.location()->text(), QStringLiteral("Osaka · Osaka · Japan"));
    EXPECT_EQ(card.currentBody(), card.address()->parentWidget());
    EXPECT_TRUE(card.refreshButton()->isEnabled());
    // Disconnected with a known address: no exit-address note.
    EXPECT_FALSE(card.footer()->isVisibleTo(&card));

    // Every source failing clears the address.
    ipEndpoint.failing = true;
    card.refreshButton()->click();
    waitUntil([&] { return !dashboard.isFetchingIP(); });
    EXPECT_FALSE(dashboard.publicIP().has_value());
    auto* unknown = qobject_cast<QLabel*>(card.currentBody());
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->text(), QStringLiteral("--"));
}

TEST_F(DashboardView_, StateChangeDuringALookupLooksAgainOnceSoTheExitAddressIsShown)
{
    ipEndpoint.addresses = {QStringLiteral("198.51.100.1"), QStringLiteral("203.0.113.9")};
    ipEndpoint.holding = true;
    auto& dashboard = showView();
    waitUntil([this] { return ipEndpoint.requests == 1; });

    // Connecting and connected while the first lookup still runs: both changes ask again.
    vpn.setState(ConnectionState::connecting);
    connectTo(node(1, QStringLiteral("Tokyo")));
    ipEndpoint.release();
    waitUntil([&] { return dashboard.publicIP() && dashboard.publicIP()->ip == QLatin1String("203.0.113.9"); });
    waitUntil([&] { return !dashboard.isFetchingIP(); });
    EXPECT_EQ(ipEndpoint.requests, 2);
    EXPECT_TRUE(dashboard.publicIPCard()->footer()->isVisibleTo(dashboard.publicIPCard()));

    // The same state assigned again is no change: no new lookup.
    vpn.setState(ConnectionState::connected);
    deliverPostedEvents();
    EXPECT_FALSE(dashboard.isFetchingIP());
    EXPECT_EQ(ipEndpoint.requests, 2);
    EXPECT_EQ(dashboard.publicIPCard()->footer()->text(), t("当前为代理出口 IP"));
}

TEST_F(DashboardView_, AnEarlierAddressStaysWhileANewLookupRuns)
{
    auto& dashboard = showView();
    waitUntil([&] { return dashboard.publicIP().has_value(); });
    ipEndpoint.holding = true;
    dashboard.publicIPCard()->refreshButton()->click();
    EXPECT_TRUE(dashboard.isFetchingIP());
    EXPECT_EQ(dashboard.publicIPCard()->currentBody(), dashboard.publicIPCard()->address()->parentWidget());
    ipEndpoint.release();
}

#include "dashboard_fixture.h"
#include "support/scoped_theme.h"

#include "platform/text_table.h"
#include "ui/common/card_frame.h"
#include "ui/common/icons.h"
#include "ui/common/linear_progress.h"
#include "ui/common/modern_card.h"
#include "ui/common/row_button.h"
#include "ui/common/symbol_label.h"
#include "ui/common/theme_style.h"
#include "ui/dashboard/connection_card.h"
#include "ui/dashboard/connection_log_card.h"
#include "ui/dashboard/dashboard_style.h"
#include "ui/dashboard/node_cards.h"
#include "ui/dashboard/proxy_info_view.h"
#include "ui/dashboard/speed_graph_view.h"
#include "ui/dashboard/subscription_card.h"
#include "ui/dashboard/traffic_cards.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScrollArea>
#include <QSet>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {

ConnectionLogEntry logEntry(int i, ConnectionLogEntry::LogType type = ConnectionLogEntry::LogType::info,
                            std::optional<QString> nodeName = std::nullopt)
{
    return {QUuid::createUuid(), QDateTime::currentDateTime(), type, QStringLiteral("line %1").arg(i), nodeName};
}

} // namespace

using DashboardCards = DashboardFixture;

namespace {

// Gives `screen` and every widget in it `style`, as a window of a look of its own would have.
void drawWith(QWidget& screen, QStyle& style)
{
    screen.setStyle(&style);
    for (auto* widget : screen.findChildren<QWidget*>())
        widget->setStyle(&style);
}

// The colour of a card's panel, inside its edge and above its content.
QColor panelColour(QWidget& card)
{
    return card.grab().toImage().pixelColor(card.width() / 2, CardFrame::shadowMargin + 3);
}

} // namespace

// No theme is global: a card built under one theme and drawn with its style keeps that theme's
// colours while the application shows another.
TEST_F(DashboardCards, AConnectionCardDrawsWithTheThemeItWasBuiltWithWhateverTheApplicationShows)
{
    struct Case {
        const char* built;
        const char* shown;
    };
    for (const auto& c : {Case{"dark", "light"}, Case{"light", "dark"}}) {
        SCOPED_TRACE(c.built);
        ScopedTheme shown{QLatin1String(c.shown)};
        ScopedTheme built{QLatin1String(c.built)};
        ThemeStyle style(built.theme());
        ConnectionCard card(vpn, appState);
        drawWith(card, style);
        card.resize(420, card.sizeHint().height());
        shown.theme().apply();

        const auto& colours = built.theme().palette();
        ASSERT_NE(colours.card, shown.theme().palette().card);
        EXPECT_EQ(panelColour(card), colours.card);
        EXPECT_EQ(card.nodeName()->palette().color(QPalette::WindowText), colours.secondaryText);
        // The button's text carries a style sheet of its own.
        EXPECT_EQ(&Theme::of(card.buttonText()), &built.theme());
    }
}

TEST_F(DashboardCards, DetailsListTheConnectedNode)
{
    auto& dashboard = showView();
    auto& card = *dashboard.detailsCard();
    connectTo(node(3, QStringLiteral("Osaka"), QStringLiteral("online"), 87));
    vpn.setConnectionDuration(3661);
    vpn.setTrafficDown(1536);
    vpn.setTrafficUp(-5);
    EXPECT_EQ(card.protocol()->text(), QStringLiteral("TROJAN"));
    EXPECT_EQ(card.server()->text(), QStringLiteral("127.0.0.3:443"));
    EXPECT_EQ(card.place()->text(), QStringLiteral("🇯🇵 日本"));
    EXPECT_EQ(card.duration()->text(), QStringLiteral("1:01:01"));
    EXPECT_TRUE(card.latencyRow()->isVisibleTo(&card));
    EXPECT_EQ(card.latency()->text(), QStringLiteral("87 ms"));
    EXPECT_EQ(card.latency()->palette().color(QPalette::WindowText), Theme::of(card.latency()).palette().orange);
    EXPECT_EQ(card.totalDown()->text(), QStringLiteral("1.5 KB"));
    EXPECT_EQ(card.totalUp()->text(), QStringLiteral("-5 B"));

    // Without location and delay: the globe with "Other", and no latency row.
    connectTo(node(4, QStringLiteral("Nowhere"), QStringLiteral("online"), std::nullopt, std::nullopt));
    EXPECT_EQ(card.place()->text(), QStringLiteral("🌐 ") + t("其他"));
    EXPECT_FALSE(card.latencyRow()->isVisibleTo(&card));

    // Connected with no node: only the title.
    vpn.setConnectedNode(std::nullopt);
    EXPECT_FALSE(card.nodeRows()->isVisibleTo(&card));
}

TEST_F(DashboardCards, TrafficCardShowsTotalsAndTheGraphOnlyOnceASampleArrived)
{
    auto& dashboard = showView();
    auto& card = *dashboard.trafficCard();
    EXPECT_EQ(card.downloaded()->text(), QStringLiteral("0 B"));
    connectTo(node(1, QStringLiteral("Tokyo")));
    EXPECT_FALSE(card.graph()->isVisibleTo(&card));
    vpn.setTrafficDown(1073741824);
    vpn.setTrafficUp(2048);
    vpn.setTrafficHistoryDown({100, 5000});
    vpn.setTrafficHistoryUp({30});
    EXPECT_EQ(card.downloaded()->text(), QStringLiteral("1.00 GB"));
    EXPECT_EQ(card.uploaded()->text(), QStringLiteral("2.0 KB"));
    EXPECT_TRUE(card.graph()->isVisibleTo(&card));
    EXPECT_EQ(card.graph()->downData(), (QList<qint64>{100, 5000}));
    EXPECT_EQ(card.graph()->upData(), QList<qint64>{30});
    vpn.setState(ConnectionState::disconnected);
    EXPECT_FALSE(card.graph()->isVisibleTo(&card));
}

TEST_F(DashboardCards, SubscriptionConvertsGigabytesAndShowsTrafficUsed)
{
    appState.setIsLoggedIn(true);
    auto& dashboard = showView();
    auto& card = *dashboard.subscriptionCard();
    // Signed in, profile not loaded yet: the small progress indicator only.
    EXPECT_TRUE(card.loadingIndicator()->isVisibleTo(&card));
    EXPECT_FALSE(card.details()->isVisibleTo(&card));

    appState.setProfile(sampleProfile());
    QCoreApplication::processEvents();
    EXPECT_FALSE(card.loadingIndicator()->isVisibleTo(&card));
    EXPECT_EQ(card.plan()->text(), QStringLiteral("Pro"));
    EXPECT_EQ(card.expiry()->text(), QStringLiteral("2031-01-01"));
    EXPECT_EQ(card.traffic()->text(), QStringLiteral("12.00 GB / 100.00 GB"));
    EXPECT_EQ(card.used()->text(), QStringLiteral("12.00 GB"));
    EXPECT_EQ(card.commission()->text(), QStringLiteral("¥12.30"));
    EXPECT_DOUBLE_EQ(card.usageBar()->value(), 0.12);
    EXPECT_EQ(card.usageBar()->tint(), TextColor::Accent);

    struct Case {
        double used;
        double total;
        TextColor color;
        double bar;
    };
    const Case cases[] = {
        {50, 100, TextColor::Accent, 0.5},  {50.5, 100, TextColor::Orange, 0.505}, {80, 100, TextColor::Orange, 0.8},
        {80.5, 100, TextColor::Red, 0.805}, {150, 100, TextColor::Red, 1.0},       {5, 0, TextColor::Red, 1.0},
        {0, 0, TextColor::Accent, 0.0},
    };
    for (const auto& c : cases) {
        auto p = sampleProfile();
        p.trafficUsed = c.used;
        p.trafficTotal = c.total;
        appState.setProfile(p);
        QCoreApplication::processEvents();
        EXPECT_EQ(card.usageBar()->tint(), c.color) << c.used << "/" << c.total;
        EXPECT_DOUBLE_EQ(card.usageBar()->value(), c.bar) << c.used << "/" << c.total;
    }

    // Nothing but the ok flag: defaults throughout.
    UserProfileResponse bare;
    bare.ok = true;
    appState.setProfile(bare);
    QCoreApplication::processEvents();
    EXPECT_EQ(card.plan()->text(), t("体验版"));
    EXPECT_EQ(card.expiry()->text(), t("永久"));
    EXPECT_EQ(card.traffic()->text(), QStringLiteral("0 B / --"));
    EXPECT_EQ(card.used()->text(), QStringLiteral("0 B"));
    EXPECT_EQ(card.commission()->text(), QStringLiteral("¥0.00"));
    EXPECT_DOUBLE_EQ(card.usageBar()->value(), 0.0);
    EXPECT_EQ(card.usageBar()->tint(), TextColor::Accent);

    // Traffic used without a total: the allowance is unknown, not one gigabyte.
    bare.trafficUsed = 5;
    appState.setProfile(bare);
    QCoreApplication::processEvents();
    EXPECT_EQ(card.traffic()->text(), QStringLiteral("5.00 GB / --"));
    EXPECT_DOUBLE_EQ(card.usageBar()->value(), 0.0);
    EXPECT_EQ(card.usageBar()->tint(), TextColor::Accent);
}

TEST_F(DashboardCards, FavouritesListThreeInListOrderAndTheStarRemovesOne)
{
    QList<Node> nodes;
    for (int id = 1; id <= 6; ++id)
        nodes.append(node(id, QStringLiteral("N%1").arg(id)));
    for (const qint64 id : {5, 2, 4, 1, 3})
        appState.toggleFavorite(id);
    signIn(nodes);
    auto& dashboard = showView();
    auto& card = *dashboard.favoritesCard();
    ASSERT_TRUE(card.isVisibleTo(&dashboard));
    const auto ids = [&card] {
        QList<qint64> list;
        for (const auto& n : card.shownNodes())
            list.append(n.id);
        return list;
    };
    EXPECT_EQ(ids(), (QList<qint64>{1, 2, 3}));

    auto* star = card.rows()[1]->findChild<QAbstractButton*>(QStringLiteral("favoriteStar"));
    ASSERT_TRUE(star);
    star->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(ids(), (QList<qint64>{1, 3, 4}));
    EXPECT_TRUE(vpn.connects.isEmpty());

    // A tap beside the star connects.
    card.rows()[0]->click();
    ASSERT_EQ(vpn.connects.size(), 1);
    EXPECT_EQ(vpn.connects.first().id, 1);
}

TEST_F(DashboardCards, WithoutFavouritesRecentNodesAndProfileOnlyTheNodeCardHeaderRemains)
{
    auto& dashboard = showView();
    EXPECT_FALSE(dashboard.favoritesCard()->isVisibleTo(&dashboard));
    EXPECT_FALSE(dashboard.recentCard()->isVisibleTo(&dashboard));
    EXPECT_FALSE(dashboard.inviteCard()->isVisibleTo(&dashboard));
    EXPECT_TRUE(dashboard.nodeCard()->isVisibleTo(&dashboard));
    EXPECT_TRUE(dashboard.nodeCard()->rows().isEmpty());
}

TEST_F(DashboardCards, NodeRowsShowStatusAndColouredDelays)
{
    struct Case {
        QString status;
        std::optional<qint64> delay;
        const char* statusKey;
        std::optional<TextColor> delayColor;
    };
    const Case cases[] = {
        {QStringLiteral("online"), 79, "在线", TextColor::Green},
        {QStringLiteral("online"), 80, "在线", TextColor::Orange},
        {QStringLiteral("offline"), 199, "离线", TextColor::Orange},
        {QStringLiteral("Online"), 200, "离线", TextColor::Red},
        {QStringLiteral("online"), std::nullopt, "在线", std::nullopt},
        {QStringLiteral("online"), 12, "在线", TextColor::Green},
    };
    QList<Node> nodes;
    for (int i = 0; i < 6; ++i)
        nodes.append(node(i + 1, QStringLiteral("N%1").arg(i + 1), cases[i].status, cases[i].delay));
    signIn(nodes);
    auto& card = *showView().nodeCard();
    ASSERT_EQ(card.rows().size(), 5);
    for (int i = 0; i < 5; ++i) {
        const auto labels = card.rows()[i]->findChildren<QLabel*>();
        const bool hasStatus = std::any_of(labels.cbegin(), labels.cend(),
                                           [&](QLabel* l) { return l->text() == t(cases[i].statusKey); });
        EXPECT_TRUE(hasStatus) << i;
        auto* delay = card.rows()[i]->findChild<QLabel*>(QStringLiteral("delay"));
        if (!cases[i].delayColor) {
            EXPECT_FALSE(delay) << i;
            continue;
        }
        ASSERT_TRUE(delay) << i;
        EXPECT_EQ(delay->text(), QString::number(*cases[i].delay) + QStringLiteral("ms"));
        // The row is a button: its labels paint in the button's text role.
        EXPECT_EQ(delay->palette().color(delay->foregroundRole()),
                  Theme::of(delay).palette().color(*cases[i].delayColor))
            << i;
    }
}

TEST_F(DashboardCards, RecentNodesAreListedMostRecentFirst)
{
    signIn({node(1, QStringLiteral("A")), node(2, QStringLiteral("B")), node(3, QStringLiteral("C"))});
    auto& dashboard = showView();
    appState.addRecent(1);
    appState.addRecent(3);
    QCoreApplication::processEvents();
    auto& card = *dashboard.recentCard();
    ASSERT_TRUE(card.isVisibleTo(&dashboard));
    ASSERT_EQ(card.shownNodes().size(), 2);
    EXPECT_EQ(card.shownNodes()[0].id, 3);
    EXPECT_EQ(card.shownNodes()[1].id, 1);
}

TEST_F(DashboardCards, InviteCardShowsTheCodeAndCopiesIt)
{
    auto& dashboard = showView();
    auto& card = *dashboard.inviteCard();
    auto p = sampleProfile();
    p.inviteCode.reset();
    appState.setProfile(p);
    QCoreApplication::processEvents();
    EXPECT_FALSE(card.isVisibleTo(&dashboard));

    p.inviteCode = QString();
    p.expire.reset();
    appState.setProfile(p);
    QCoreApplication::processEvents();
    EXPECT_TRUE(card.isVisibleTo(&dashboard));
    EXPECT_EQ(card.expiry()->text(), t("永久"));

    p = sampleProfile();
    p.commission.reset();
    appState.setProfile(p);
    QCoreApplication::processEvents();
    EXPECT_EQ(card.code()->text(), QStringLiteral("VX42"));
    EXPECT_EQ(card.expiry()->text(), QStringLiteral("2031-01-01"));
    EXPECT_EQ(card.commission()->text(), QStringLiteral("¥0.00"));
    for (auto* button : {card.copyButton(), card.copyLinkButton()}) {
        QApplication::clipboard()->setText(QStringLiteral("something else"));
        button->click();
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("VX42"));
    }
}

TEST_F(DashboardCards, LogCardFoldsAndListsTheNewestThirty)
{
    auto& dashboard = showView();
    auto& card = *dashboard.logCard();
    for (int i = 0; i < 45; ++i)
        vpn.addLog(ConnectionLogEntry::LogType::info, QStringLiteral("line %1").arg(i));
    EXPECT_FALSE(card.isExpanded());
    EXPECT_FALSE(card.body()->isVisibleTo(&card));

    card.header()->click();
    EXPECT_TRUE(card.body()->isVisibleTo(&card));
    const auto log = vpn.connectionLog();
    ASSERT_EQ(card.listedIds().size(), ConnectionLogCard::maxShown);
    for (int i = 0; i < ConnectionLogCard::maxShown; ++i)
        EXPECT_EQ(card.listedIds()[i], log[i].id);
    EXPECT_EQ(card.dividerCount(), 29);
    const auto messages = card.list()->widget()->findChildren<QLabel*>(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 30);
    EXPECT_EQ(messages.first()->text(), QStringLiteral("line 44"));
    EXPECT_LE(card.list()->height(), ConnectionLogCard::maxListHeight);

    // A new entry appears at the top while open.
    vpn.addLog(ConnectionLogEntry::LogType::error, QStringLiteral("newest"));
    EXPECT_EQ(card.listedIds().first(), vpn.connectionLog().first().id);

    ASSERT_TRUE(card.clearButton()->isVisibleTo(&card));
    card.clearButton()->click();
    EXPECT_TRUE(vpn.connectionLog().isEmpty());
    EXPECT_FALSE(card.clearButton()->isVisibleTo(&card));
    EXPECT_TRUE(card.listedIds().isEmpty());

    card.header()->click();
    EXPECT_FALSE(card.body()->isVisibleTo(&card));
}

TEST_F(DashboardCards, LogEntriesShowTimeNodeBadgeAndKind)
{
    auto& dashboard = showView();
    auto& card = *dashboard.logCard();
    const QDateTime nineOhFive(QDate(2024, 5, 1), QTime(9, 5, 7), QTimeZone::systemTimeZone());
    EXPECT_EQ(ConnectionLogCard::timeText(nineOhFive), QStringLiteral("09:05:07"));
    EXPECT_EQ(ConnectionLogCard::timeText(nineOhFive.toUTC()), QStringLiteral("09:05:07"));

    vpn.setConnectionLog({logEntry(1, ConnectionLogEntry::LogType::connected, QStringLiteral("Tokyo")), logEntry(2)});
    card.setExpanded(true);
    const auto rows = card.list()->widget()->findChildren<QLabel*>(QStringLiteral("nodeBadge"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first()->text(), QStringLiteral("Tokyo"));

    // Each kind has a symbol of its own; a disconnect's is the hollow counterpart of a connect's,
    // not the power symbol of the connect buttons.
    struct Case {
        ConnectionLogEntry::LogType type;
        TextColor color;
        QString symbol;
    };
    QSet<QString> symbols;
    for (const auto& c :
         {Case{ConnectionLogEntry::LogType::connected, TextColor::Green, QStringLiteral("power.circle.fill")},
          Case{ConnectionLogEntry::LogType::disconnected, TextColor::Orange, QStringLiteral("power.circle")},
          Case{ConnectionLogEntry::LogType::error, TextColor::Red, QStringLiteral("exclamationmark.circle.fill")},
          Case{ConnectionLogEntry::LogType::warning, TextColor::Yellow,
               QStringLiteral("exclamationmark.triangle.fill")},
          Case{ConnectionLogEntry::LogType::info, TextColor::Secondary, QStringLiteral("info.circle.fill")}}) {
        SCOPED_TRACE(c.symbol.toStdString());
        EXPECT_EQ(ConnectionLogCard::colorFor(c.type), c.color);
        EXPECT_EQ(ConnectionLogCard::symbolFor(c.type), c.symbol);
        EXPECT_TRUE(Icons::exists(ConnectionLogCard::symbolFor(c.type)));
        symbols.insert(ConnectionLogCard::symbolFor(c.type));
    }
    EXPECT_EQ(symbols.size(), 5);
    EXPECT_FALSE(symbols.contains(QStringLiteral("power")));

    // Open on an empty log: an empty list and no clear button.
    vpn.setConnectionLog({});
    EXPECT_TRUE(card.body()->isVisibleTo(&card));
    EXPECT_FALSE(card.clearButton()->isVisibleTo(&card));
}

TEST_F(DashboardCards, ProxyPanelSwitchesTheSystemProxyAndShowsOnlyThePublishedState)
{
    signIn({node(1, QStringLiteral("Tokyo"))});
    auto& dashboard = showView();
    connectTo(node(1, QStringLiteral("Tokyo")));
    auto* panel = dashboard.connectionCard()->proxyInfo();
    ASSERT_TRUE(panel->isVisibleTo(&dashboard));
    EXPECT_EQ(panel->systemProxyText()->text(), t("设置系统代理"));
    EXPECT_EQ(panel->systemProxyButton()->text(), t("开启"));
    EXPECT_TRUE(panel->hint()->isVisibleTo(panel));

    // A click only asks: until the connection reports the proxy on (a failed switch never does),
    // the panel stays as it was.
    panel->systemProxyButton()->click();
    EXPECT_EQ(vpn.systemProxyRequests, QList<bool>{true});
    EXPECT_EQ(panel->systemProxyButton()->text(), t("开启"));

    vpn.setSystemProxyEnabled(true);
    EXPECT_EQ(panel->systemProxyText()->text(), t("系统代理已开启"));
    EXPECT_EQ(panel->systemProxyButton()->text(), t("关闭"));
    EXPECT_FALSE(panel->hint()->isVisibleTo(panel));

    panel->systemProxyButton()->click();
    EXPECT_EQ(vpn.systemProxyRequests, (QList<bool>{true, false}));

    QApplication::clipboard()->clear();
    panel->copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("127.0.0.1:1080"));

    // The panel belongs to a running proxy.
    vpn.setProxyRunning(false);
    EXPECT_FALSE(panel->isVisibleTo(&dashboard));
}

TEST(ModernCard, SpansTheWidthKeepsItsPaddingAndCentresNarrowRows)
{
    QScrollArea scroll;
    scroll.setWidgetResizable(true);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    auto* card = new ModernCard(Qt::AlignHCenter, 12, content);
    auto* narrow = new QLabel(QStringLiteral("narrow"), card);
    card->addRow(narrow);
    column->addWidget(card);
    // Moving the card into the scroll area restyles it, which must not eat its padding.
    scroll.setWidget(content);
    scroll.resize(400, 300);
    scroll.show();
    QCoreApplication::processEvents();

    constexpr int inset = CardFrame::shadowMargin + CardFrame::padding;
    EXPECT_EQ(card->contentsMargins(), QMargins(inset, inset, inset, inset));
    EXPECT_GE(card->width(), content->width() - column->contentsMargins().left() - column->contentsMargins().right());
    EXPECT_EQ(narrow->geometry().center().x(), card->rect().center().x());
    EXPECT_GE(narrow->geometry().top(), inset);
}

// The node list in each language and appearance, and the popover, rendered for a person to look
// at.
#include "nodes_fixture.h"

#include "platform/fakes/fake_login_item.h"
#include "platform/language_manager.h"
#include "support/scoped_theme.h"
#include "support/screenshot.h"
#include "ui/common/search_field.h"
#include "ui/common/theme.h"
#include "ui/nodes/menu_bar_view.h"
#include "ui/nodes/node_list_model.h"
#include "ui/nodes/nodes_list_view.h"

#include <QListView>

class NodesScreenshots : public NodesFixture {
protected:
    void SetUp() override
    {
        QList<Node> nodes{
            makeNode(1, QStringLiteral("东京 01"), QStringLiteral("online"), 42, QStringLiteral("日本")),
            makeNode(2, QStringLiteral("香港 02"), QStringLiteral("online"), 118, QStringLiteral("香港")),
            makeNode(3, QStringLiteral("Singapore 03"), QStringLiteral("online"), 231, QStringLiteral("sg")),
            makeNode(4, QStringLiteral("Los Angeles 04"), QStringLiteral("offline"), std::nullopt,
                     QStringLiteral("us")),
            makeNode(5, QStringLiteral("东京 05"), QStringLiteral("online"), 640, QStringLiteral("日本")),
            makeNode(6, QStringLiteral("Seoul 06"), QStringLiteral("online"), std::nullopt, QStringLiteral("kr")),
            makeNode(7, QStringLiteral("Frankfurt 07"), QStringLiteral("online"), 95),
            makeNode(8, QStringLiteral("香港 08"), QStringLiteral("online"), 71, QStringLiteral("香港"))};
        nodes[2].method = QStringLiteral("reality");
        nodes[5].method = QStringLiteral("reality");
        appState.toggleFavorite(2);
        appState.toggleFavorite(4);
        signIn(nodes);
        appState.addRecent(1);
        appState.addRecent(8);
    }

    void TearDown() override { lookups.manager.setLanguage(AppLanguage::zh); }

    void use(AppLanguage language, const QString& appearance)
    {
        lookups.manager.setLanguage(language);
        look.theme().setLanguage(rawValue(language));
        look.theme().setAppearance(appearance);
        look.theme().apply();
    }

    ScriptedProbes probes;
    ScopedTheme look;
};

TEST_F(NodesScreenshots, NodeListInEveryLanguageAndAppearance)
{
    // Every online node answers but Singapore 03, whose probe fails.
    const std::pair<int, qint64> answers[] = {{2, 38}, {3, 96}, {6, 512}, {7, 23}, {8, 240}, {9, 64}};
    for (const auto& [host, ms] : answers)
        probes.answers[QStringLiteral("127.0.0.%1").arg(host)] = {std::chrono::milliseconds(0), ms};
    for (const auto language : {AppLanguage::zh, AppLanguage::en, AppLanguage::ja}) {
        for (const auto& appearance : {QStringLiteral("light"), QStringLiteral("dark")}) {
            use(language, appearance);
            connectTo(makeNode(1, QStringLiteral("东京 01"), QStringLiteral("online"), 42, QStringLiteral("日本")));
            NodesListView list({.appState = appState, .connection = vpn, .probe = probes.probe()});
            list.resize(680, 720);
            list.show();
            list.startPingAll();
            waitUntil([&] { return !list.isPinging(); });
            list.list()->setCurrentIndex(list.model()->index(*list.model()->rowOf(8)));
            EXPECT_FALSE(
                saveScreenshot(list, QStringLiteral("nodes-%1-%2").arg(rawValue(language), appearance)).isEmpty());
        }
    }
    use(AppLanguage::en, QStringLiteral("light"));
    NodesListView list({.appState = appState, .connection = vpn, .probe = probes.probe()});
    list.resize(680, 420);
    list.show();
    list.searchField()->setText(QStringLiteral("Paris"));
    EXPECT_FALSE(saveScreenshot(list, QStringLiteral("nodes-en-not-found")).isEmpty());
}

TEST_F(NodesScreenshots, PopoverDisconnectedAndConnected)
{
    FakeLoginItem loginItem;
    for (const auto language : {AppLanguage::zh, AppLanguage::en}) {
        for (const auto& appearance : {QStringLiteral("light"), QStringLiteral("dark")}) {
            use(language, appearance);
            vpn.setState(ConnectionState::disconnected);
            vpn.setConnectedNode(std::nullopt);
            MenuBarView popover({.connection = vpn,
                                 .appState = appState,
                                 .languageManager = lookups.manager,
                                 .settings = *settings.store,
                                 .loginItem = loginItem,
                                 .quit = [] {}});
            popover.setFixedSize(340, 520);
            popover.show();
            EXPECT_FALSE(saveScreenshot(
                             popover, QStringLiteral("popover-%1-%2-disconnected").arg(rawValue(language), appearance))
                             .isEmpty());
            connectTo(makeNode(8, QStringLiteral("香港 08"), QStringLiteral("online"), 71, QStringLiteral("香港")));
            vpn.setConnectionDuration(754);
            vpn.setTrafficSpeedDown(1536000);
            vpn.setTrafficSpeedUp(20480);
            vpn.setTrafficDown(318767104);
            vpn.setTrafficUp(12582912);
            EXPECT_FALSE(
                saveScreenshot(popover, QStringLiteral("popover-%1-%2-connected").arg(rawValue(language), appearance))
                    .isEmpty());
            vpn.setKillSwitchLoaded(true);
            EXPECT_FALSE(
                saveScreenshot(popover,
                               QStringLiteral("popover-%1-%2-connected-blocked").arg(rawValue(language), appearance))
                    .isEmpty());
            vpn.setKillSwitchLoaded(false);
        }
    }
}

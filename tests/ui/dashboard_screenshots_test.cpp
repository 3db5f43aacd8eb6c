#include "dashboard_fixture.h"
#include "scoped_appearance.h"

#include "platform/language_manager.h"
#include "support/screenshot.h"
#include "ui/common/theme.h"
#include "ui/dashboard/connection_log_card.h"

#include <QScrollArea>

namespace {

struct Shot {
    const char* name;
    ConnectionState state;
    // The kill switch's rules hold.
    bool blocked = false;
};

} // namespace

// The dashboard in each connection state and language, rendered for a person to look at.
class DashboardScreenshots : public DashboardFixture {
protected:
    void SetUp() override
    {
        i18n::installLanguageSource(&languageManager);
        ipEndpoint.addresses = {QStringLiteral("203.0.113.24")};
        QList<Node> nodes{
            node(1, QStringLiteral("东京 01"), QStringLiteral("online"), 42),
            node(2, QStringLiteral("香港 02"), QStringLiteral("online"), 118, QStringLiteral("香港")),
            node(3, QStringLiteral("Singapore 03"), QStringLiteral("online"), 231, QStringLiteral("sg")),
            node(4, QStringLiteral("Los Angeles 04"), QStringLiteral("offline"), std::nullopt, QStringLiteral("us"))};
        appState.toggleFavorite(2);
        appState.toggleFavorite(3);
        signIn(nodes);
        appState.addRecent(1);
        appState.setProfile(sampleProfile());
        QCoreApplication::processEvents();
    }

    void TearDown() override { i18n::installLanguageSource(nullptr); }

    void render(AppLanguage language, const char* appearance = "light")
    {
        ScopedAppearance look(appearance);
        const QString suffix = QLatin1String(appearance) == QLatin1String("light")
            ? QString()
            : QLatin1Char('-') + QLatin1String(appearance);
        languageManager.setLanguage(language);
        look.theme().setLanguage(rawValue(language));
        for (const auto& shot :
             {Shot{"disconnected", ConnectionState::disconnected}, Shot{"connecting", ConnectionState::connecting},
              Shot{"connected", ConnectionState::connected},
              Shot{"disconnected-blocked", ConnectionState::disconnected, true}}) {
            vpn.setState(ConnectionState::disconnected);
            vpn.setConnectedNode(std::nullopt);
            vpn.setProxyRunning(false);
            vpn.setKillSwitchLoaded(shot.blocked);
            auto& dashboard = showView();
            waitUntil([&] { return !dashboard.isFetchingIP(); });
            if (shot.state == ConnectionState::connecting) {
                ipEndpoint.holding = true;
                vpn.setState(ConnectionState::connecting);
            } else if (shot.state == ConnectionState::connected) {
                connectTo(node(1, QStringLiteral("东京 01"), QStringLiteral("online"), 42));
                vpn.setConnectionDuration(754);
                vpn.setTrafficDown(318767104);
                vpn.setTrafficUp(12582912);
                vpn.setTrafficHistoryDown({20000, 180000, 420000, 390000, 610000, 520000, 700000, 660000});
                vpn.setTrafficHistoryUp({5000, 21000, 64000, 30000, 45000, 80000, 52000, 61000});
                vpn.addLog(ConnectionLogEntry::LogType::disconnected, QStringLiteral("从 大阪 02 断开(连接时长 12:34)"),
                           QStringLiteral("大阪 02"));
                vpn.addLog(ConnectionLogEntry::LogType::info, QStringLiteral("正在连接"), QStringLiteral("东京 01"));
                vpn.addLog(ConnectionLogEntry::LogType::connected, QStringLiteral("已连接到 东京 01"),
                           QStringLiteral("东京 01"));
                dashboard.logCard()->setExpanded(true);
                waitUntil([&] { return !dashboard.isFetchingIP(); });
            }
            // Tall enough for every card, so one picture shows the whole column.
            auto* content = dashboard.findChild<QWidget*>(QStringLiteral("dashboardContent"));
            dashboard.resize(480, content->sizeHint().height() + 4);
            const auto path = saveScreenshot(
                dashboard,
                QStringLiteral("dashboard-%1-%2%3").arg(QLatin1String(shot.name), rawValue(language), suffix));
            EXPECT_FALSE(path.isEmpty());
            ipEndpoint.release();
            waitUntil([&] { return !dashboard.isFetchingIP(); });
            view.reset();
        }
    }

    // The look the application installs at start.
    ScopedTheme appLook;
    LanguageManager languageManager{*settings.store};
};

TEST_F(DashboardScreenshots, Chinese) { render(AppLanguage::zh); }

TEST_F(DashboardScreenshots, English) { render(AppLanguage::en); }

TEST_F(DashboardScreenshots, Japanese) { render(AppLanguage::ja); }

TEST_F(DashboardScreenshots, ChineseDark) { render(AppLanguage::zh, "dark"); }

TEST_F(DashboardScreenshots, DarkConnected)
{
    appLook.theme().setAppearance(QStringLiteral("dark"));
    appLook.theme().apply();
    connectTo(node(2, QStringLiteral("香港 02"), QStringLiteral("online"), 118, QStringLiteral("香港")));
    vpn.setTrafficHistoryDown({1000, 90000, 30000, 250000});
    vpn.setTrafficHistoryUp({400, 8000, 12000, 9000});
    vpn.setSystemProxyEnabled(true);
    auto& dashboard = showView();
    waitUntil([&] { return !dashboard.isFetchingIP(); });
    auto* content = dashboard.findChild<QWidget*>(QStringLiteral("dashboardContent"));
    dashboard.resize(480, content->sizeHint().height() + 4);
    EXPECT_FALSE(saveScreenshot(dashboard, QStringLiteral("dashboard-connected-dark")).isEmpty());
}

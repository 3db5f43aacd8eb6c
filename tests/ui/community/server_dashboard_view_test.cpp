#include "community_world.h"

#include "support/minimised_window.h"
#include "support/screenshot.h"
#include "support/table_row.h"
#include "ui/common/icon_button.h"
#include "ui/community/inbound_row.h"
#include "ui/community/server_card.h"
#include "ui/community/server_dashboard_view.h"

#include <QFontInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>

using namespace std::chrono_literals;

namespace {

const QString statusPath = QStringLiteral("/api/server/status");
const QString inboundsPath = QStringLiteral("/api/server/inbounds");
const QString connectionsPath = QStringLiteral("/api/server/connections");

} // namespace

// The server dashboard against the stand-in service, its 10 s refresh fired by hand.
class ServerDashboardTest : public ::testing::Test {
protected:
    ServerDashboardView* showDashboard()
    {
        auto* view = new ServerDashboardView({.api = *world.api, .makeTimer = world.manualTimers()}, &world.window);
        view->resize(720, 900);
        view->show();
        waitForRefresh(view);
        return view;
    }

    static void waitForRefresh(ServerDashboardView* view)
    {
        CommunityWorld::waitUntil([view] { return !view->isLoading(); });
        settle();
    }

    qsizetype statusRequests() const { return world.service.requestsTo(statusPath).size(); }

    QStringList texts(ServerDashboardView* view, const QString& name) const
    {
        QStringList found;
        for (auto* label : view->findChildren<QLabel*>(name)) {
            if (label->isVisible())
                found << label->text();
        }
        return found;
    }

    CommunityWorld world;
};

TEST_F(ServerDashboardTest, ShowsTilesInboundsAndConnectionsAndArmsTheNextRefreshAtTheStart)
{
    auto* view = showDashboard();
    auto* timer = world.lastTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_FALSE(timer->isRepeating());
    EXPECT_EQ(timer->interval(), 10000ms);
    EXPECT_EQ(timer->starts(), 1);

    const auto cards = view->findChildren<ServerCard*>();
    ASSERT_EQ(cards.size(), 4);
    EXPECT_EQ(cards[0]->content().subtitle, QStringLiteral("运行中"));
    EXPECT_EQ(texts(view, QStringLiteral("detailKey")),
              (QStringList{QStringLiteral("CPU: 12%"), QStringLiteral("运行时间")}));
    EXPECT_EQ(view->findChildren<InboundRow*>().size(), 3);
    EXPECT_EQ(texts(view, QStringLiteral("inboundCount")), QStringList{QStringLiteral("3 个入站")});
    // 443, 8443 and 2053 sort as text: 2053, 443, 8443.
    QStringList ports;
    for (auto* row : view->findChildren<QWidget*>(QStringLiteral("portRow")))
        ports << row->findChild<QLabel*>()->text();
    EXPECT_EQ(ports,
              (QStringList{QStringLiteral("端口 2053"), QStringLiteral("端口 443"), QStringLiteral("端口 8443")}));
    EXPECT_EQ(texts(view, QStringLiteral("totalConnections")), QStringList{QStringLiteral("78")});
}

TEST_F(ServerDashboardTest, EveryFigureIsInTheOneFaceWithDigitsOfOneWidth)
{
    auto* view = showDashboard();
    static const QRegularExpression digit(QStringLiteral("[0-9]"));
    QSet<QString> faces;
    int figures = 0;
    for (auto* label : view->findChildren<QLabel*>()) {
        if (!label->isVisible() || !label->text().contains(digit))
            continue;
        ++figures;
        SCOPED_TRACE(label->text().toStdString());
        faces.insert(QFontInfo(label->font()).family());
        const QFontMetricsF metrics(label->font());
        for (char c = '1'; c <= '9'; ++c)
            EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char(c)), metrics.horizontalAdvance(QLatin1Char('0'))) << c;
    }
    EXPECT_GE(figures, 8) << "tiles, inbound totals and port counts";
    EXPECT_EQ(faces.size(), 1) << QStringList(faces.begin(), faces.end()).join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(faces.contains(QFontInfo(Theme::of(view).font(TextStyle::Caption)).family()));
    saveScreenshot(*view, QStringLiteral("server-dashboard-figures"));
}

TEST_F(ServerDashboardTest, TheTimerRefreshesAndEachButtonPressRestartsThePeriod)
{
    auto* view = showDashboard();
    auto* timer = world.lastTimer();
    const auto before = statusRequests();

    timer->fire();
    EXPECT_TRUE(view->isLoading());
    EXPECT_TRUE(timer->isActive()) << "re-armed as the refresh starts";
    waitForRefresh(view);
    EXPECT_EQ(statusRequests(), before + 1);

    // Two quick presses: two fetches, one armed timer.
    view->refreshButton()->click();
    view->refreshButton()->click();
    EXPECT_EQ(timer->starts(), 4);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(world.timers.size(), 1);
    CommunityWorld::waitUntil([&] { return statusRequests() == before + 3; });
    waitForRefresh(view);

    // Hidden (another tab), the timed refreshes stop; shown again, it refreshes at once.
    view->hide();
    EXPECT_FALSE(timer->isActive());
    timer->fire();
    EXPECT_EQ(statusRequests(), before + 3);
    view->show();
    EXPECT_TRUE(timer->isActive());
    CommunityWorld::waitUntil([&] { return statusRequests() == before + 4; });
}

TEST_F(ServerDashboardTest, AMinimisedWindowKeepsTheTimedRefreshGoing)
{
    auto* view = showDashboard();
    ASSERT_TRUE(view->isVisible());
    auto* timer = world.lastTimer();
    const auto before = statusRequests();

    minimiseWindow(world.window);
    ASSERT_TRUE(world.window.isMinimized());
    EXPECT_TRUE(timer->isActive());
    timer->fire();
    CommunityWorld::waitUntil([&] { return statusRequests() == before + 1; });
    waitForRefresh(view);

    // Restored: no extra refresh for the return, the period goes on.
    restoreWindow(world.window);
    settle();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(statusRequests(), before + 1);
}

TEST_F(ServerDashboardTest, AFailedRefreshShowsTheErrorAndKeepsTheDataForTheNextSuccess)
{
    auto* view = showDashboard();
    ASSERT_TRUE(view->status().has_value());

    world.service.state().serverStatus[QStringLiteral("load_avg")] = QStringLiteral("9.99");
    world.answer(connectionsPath, 200, "<html>busy</html>", "GET");
    view->refreshButton()->click();
    waitForRefresh(view);
    ASSERT_TRUE(view->errorMessage().has_value());
    EXPECT_FALSE(view->errorMessage()->isEmpty());
    EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("errorBlock"))->isVisible());
    EXPECT_EQ(texts(view, QStringLiteral("errorText")), QStringList{*view->errorMessage()});
    // Nothing of the calls that succeeded is applied.
    EXPECT_EQ(view->status()->load_avg, QStringLiteral("0.42, 0.37, 0.31"));
    EXPECT_TRUE(world.lastTimer()->isActive()) << "it tries again by itself";

    world.service.clearOverrides();
    view->findChild<QPushButton*>(QStringLiteral("retryButton"))->click();
    waitForRefresh(view);
    EXPECT_FALSE(view->errorMessage().has_value());
    EXPECT_EQ(view->status()->load_avg, QStringLiteral("9.99"));
}

TEST_F(ServerDashboardTest, AnswersWithoutDataShowEverythingOffline)
{
    world.answer(statusPath, 200, R"({"ok":false})");
    world.answer(inboundsPath, 200, R"({"ok":false})");
    world.answer(connectionsPath, 200, R"({"ok":false})");
    auto* view = showDashboard();

    EXPECT_FALSE(view->errorMessage().has_value());
    const auto cards = view->findChildren<ServerCard*>();
    ASSERT_EQ(cards.size(), 4);
    EXPECT_EQ(cards[0]->content().subtitle, QStringLiteral("离线"));
    EXPECT_EQ(cards[1]->content().subtitle, QStringLiteral("离线"));
    EXPECT_EQ(cards[2]->content().subtitle, QStringLiteral("-"));
    EXPECT_TRUE(texts(view, QStringLiteral("detailKey")).isEmpty());
    EXPECT_EQ(texts(view, QStringLiteral("inboundCount")), QStringList{QStringLiteral("0 个入站")});
    EXPECT_EQ(texts(view, QStringLiteral("noInbounds")).size(), 1);
    EXPECT_EQ(texts(view, QStringLiteral("totalConnections")), QStringList{QStringLiteral("0")});
    EXPECT_TRUE(view->findChildren<QWidget*>(QStringLiteral("portRow")).isEmpty());
}

TEST_F(ServerDashboardTest, CountsOfOneAreSaidInTheSingular)
{
    struct Case {
        AppLanguage language;
        int count;
        const char* inbounds;
        const char* clients;
    };
    const Case cases[] = {
        {AppLanguage::en, 0, "0 inbounds", "0 clients"},  {AppLanguage::en, 1, "1 inbound", "1 client"},
        {AppLanguage::en, 2, "2 inbounds", "2 clients"},  {AppLanguage::zh, 1, "1 个入站", "1 个客户端"},
        {AppLanguage::zh, 2, "2 个入站", "2 个客户端"},   {AppLanguage::ja, 1, "1 インバウンド", "1 クライアント"},
        {AppLanguage::ja, 2, "2 インバウンド", "2 クライアント"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        LanguageScope scope(c.language);
        QJsonArray inbounds;
        for (int i = 0; i < c.count; ++i) {
            const InboundInfo inbound{
                .id = i + 1, .remark = QStringLiteral("in"), .port = 443 + i, .proto = QStringLiteral("trojan")};
            inbounds.append(QJsonDocument::fromJson(inbound.toJson()).object());
        }
        world.answer(inboundsPath, 200,
                     QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("data"), inbounds}}).toJson());
        auto* view = showDashboard();
        EXPECT_EQ(texts(view, QStringLiteral("inboundCount")), QStringList{QString::fromUtf8(c.inbounds)});
        delete view;

        // An inbound row shows its own clients, also when the list is empty.
        InboundRow row({.id = 1, .remark = QStringLiteral("in"), .port = 443, .proto = QStringLiteral("trojan"),
                        .enable = true, .clients = c.count});
        EXPECT_EQ(row.findChild<QLabel*>(QStringLiteral("clients"))->text(), QString::fromUtf8(c.clients));
    }
}

TEST_F(ServerDashboardTest, ARefreshEndingAfterTheScreenWentTouchesNothing)
{
    world.delayAnswers(statusPath, 300ms);
    QPointer<ServerDashboardView> view
        = new ServerDashboardView({.api = *world.api, .makeTimer = world.manualTimers()}, &world.window);
    view->show();
    QPointer<ManualTimer> timer = world.lastTimer();
    EXPECT_TRUE(view->isLoading());
    delete view;
    EXPECT_TRUE(timer.isNull());
    // A later request with the same delay ends after the screen's.
    EXPECT_TRUE(QCoro::waitFor(world.api->fetchServerStatus()).data.has_value());
    settle();
}

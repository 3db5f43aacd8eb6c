#include "community_world.h"

#include "support/screenshot.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/load_state_view.h"
#include "ui/community/chart_bars.h"
#include "ui/community/stat_box.h"
#include "ui/community/traffic_log_view.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

namespace {

const QString trafficPath = QStringLiteral("/api/user/traffic_log");

} // namespace

// The traffic log sheet against the stand-in service.
class TrafficLogViewTest : public ::testing::Test {
protected:
    TrafficLogView* openSheet() { return openLoaded<TrafficLogView>(world.window, {.api = *world.api}); }

    CommunityWorld world;
};

TEST_F(TrafficLogViewTest, SummaryChartAndListOfTheDaysInTheOrderSent)
{
    world.answer(trafficPath, 200,
                 R"({"ok":true,"data":[{"date":"2025-03-01","used":1.25},{"date":"2025-03-02","used":0},)"
                 R"({"date":"2025-03-01","used":3.5}]})");
    auto* view = openSheet();
    EXPECT_EQ(statValues(view), (QStringList{QStringLiteral("4.8 GB"), QStringLiteral("3.5 GB"), QStringLiteral("3")}));
    EXPECT_NE(view->findChild<ChartBars*>(), nullptr);
    QStringList used;
    for (auto* row : view->findChildren<QWidget*>(QStringLiteral("day")))
        used << row->findChild<QLabel*>(QStringLiteral("used"))->text();
    EXPECT_EQ(used, (QStringList{QStringLiteral("1.25 GB"), QStringLiteral("0.00 GB"), QStringLiteral("3.50 GB")}));
    // A divider after every day whose date differs from the last day's: the second only.
    auto* list = view->findChild<QWidget*>(QStringLiteral("listCard"));
    EXPECT_EQ(list->findChildren<Divider*>().size(), 1);
}

TEST_F(TrafficLogViewTest, TheListCardEndsWhereTheChartCardEndsWithOrWithoutAScrollBar)
{
    struct Case {
        const char* name;
        int days;
        bool scrolls;
    };
    for (const auto& c : {Case{"three days", 3, false}, Case{"thirty days", 30, true}}) {
        SCOPED_TRACE(c.name);
        QStringList days;
        for (int day = 1; day <= c.days; ++day)
            days << QStringLiteral(R"({"date":"2025-03-%1","used":%2})").arg(day, 2, 10, QLatin1Char('0')).arg(day);
        world.answer(
            trafficPath, 200,
            (QStringLiteral(R"({"ok":true,"data":[)") + days.join(QLatin1Char(',')) + QStringLiteral("]}")).toUtf8());
        auto* view = openSheet();
        auto* list = view->findChild<QWidget*>(QStringLiteral("listCard"));
        auto* chart = view->findChild<QWidget*>(QStringLiteral("chartCard"));
        ASSERT_TRUE(list && chart);
        auto* scroll = qobject_cast<QScrollArea*>(list->parentWidget()->parentWidget()->parentWidget());
        ASSERT_TRUE(scroll);
        EXPECT_EQ(scroll->verticalScrollBar()->isVisible(), c.scrolls);
        const auto rightEdge = [view](QWidget* card) { return card->mapTo(view, QPoint(card->width(), 0)).x(); };
        EXPECT_EQ(rightEdge(list), rightEdge(chart));
        EXPECT_EQ(chart->mapTo(view, QPoint(0, 0)).x(), list->mapTo(view, QPoint(0, 0)).x());
        saveScreenshot(*view, QStringLiteral("traffic-log-") + QString::number(c.days) + QStringLiteral("-days"));
        view->close();
        view->deleteLater();
        settle();
    }
}

TEST_F(TrafficLogViewTest, DaysWithoutTrafficShowNoChart)
{
    world.answer(trafficPath, 200,
                 R"({"ok":true,"data":[{"date":"2025-03-01","used":0},{"date":"2025-03-02","used":0}]})");
    auto* view = openSheet();
    EXPECT_EQ(statValues(view), (QStringList{QStringLiteral("0.0 GB"), QStringLiteral("0.0 GB"), QStringLiteral("2")}));
    EXPECT_EQ(view->findChild<ChartBars*>(), nullptr);
}

TEST_F(TrafficLogViewTest, NoUsableListIsTheEmptyStateAndATransportFailureTheError)
{
    world.answer(trafficPath, 200, R"({"ok":true})");
    auto* view = openSheet();
    EXPECT_FALSE(view->loadError().has_value());
    EXPECT_TRUE(view->findChild<QLabel*>(QStringLiteral("emptyText"))->isVisible());

    world.service.clearOverrides();
    world.dropAnswers(trafficPath);
    auto* failing = openSheet();
    EXPECT_EQ(failing->loadError(), QStringLiteral("网络错误，请重试"));
    EXPECT_TRUE(failing->states()->isShowingError());
    world.service.clearOverrides();
    failing->states()->retryButton()->click();
    CommunityWorld::waitUntil([failing] { return !failing->isLoading(); });
    EXPECT_EQ(failing->entries().size(), 30);
}

#include "community_world.h"
#include "scoped_appearance.h"

#include "support/screenshot.h"
#include "ui/community/announcements_view.h"
#include "ui/community/invite_view.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/community/support_view.h"
#include "ui/community/ticket_row.h"
#include "ui/community/traffic_log_view.h"
#include "ui/community/withdraw_view.h"

#include <QJsonArray>

// Every community screen in each interface language and the dark appearance, rendered for a person to look at.
class CommunityScreenshots : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& state = world.service.state();
        StandInState::Ticket open{
            8, QStringLiteral("无法连接日本节点"), QStringLiteral("waiting"), StandInState::now(), StandInState::now(),
            {}};
        open.messages = {{81, state.userId, QStringLiteral("日本 东京 01 一直连接超时，换了网络也一样。"), false,
                          StandInState::now(), state.account.name},
                         {82, 1, QStringLiteral("您好，东京节点刚刚完成线路切换，请刷新节点列表后重试。"), true,
                          StandInState::now(), QStringLiteral("客服小薇")}};
        state.tickets.append(open);
    }

    void shoot(QWidget& screen, const char* name, const char* language)
    {
        const auto path = saveScreenshot(
            screen, QStringLiteral("community-%1-%2").arg(QLatin1String(name), QLatin1String(language)));
        EXPECT_FALSE(path.isEmpty()) << name;
    }

    void shootSheet(QWidget* sheet, const char* name, const char* language)
    {
        shoot(*sheet, name, language);
        sheet->close();
        settle();
    }

    QList<Announcement> announcements()
    {
        QList<Announcement> list;
        for (const auto& value : world.service.state().announcements)
            list.append(Announcement::fromJson(value));
        return list;
    }

    CommunityWorld world;
};

TEST_F(CommunityScreenshots, EveryScreenInEveryLanguage)
{
    for (const auto& [language, appearance, code] : kLooks) {
        LanguageScope scope(language);
        ScopedAppearance look(appearance);

        auto* notices = new AnnouncementsView(announcements(), &world.window);
        notices->resize(420, 460);
        notices->open();
        shootSheet(notices, "announcements", code);
        auto* noNotices = new AnnouncementsView({}, &world.window);
        noNotices->open();
        shootSheet(noNotices, "announcements-empty", code);

        shootSheet(openLoaded<InviteView>(world.window, {.api = *world.api}), "invite", code);
        shootSheet(openLoaded<WithdrawView>(world.window, {.api = *world.api}), "withdraw", code);
        shootSheet(openLoaded<TrafficLogView>(world.window, {.api = *world.api}), "traffic-log", code);

        auto* support = openLoaded<SupportView>(world.window, {.api = *world.api, .makeTimer = world.manualTimers()});
        shoot(*support, "support-list", code);
        for (auto* row : support->findChildren<TicketRow*>()) {
            if (row->ticketId() == 8 && row->isVisible()) {
                row->click();
                break;
            }
        }
        CommunityWorld::waitUntil([support] { return support->messages().size() == 2; });
        settle();
        shoot(*support, "support-chat", code);
        support->close();
        settle();

        ServerDashboardView dashboard({.api = *world.api, .makeTimer = world.manualTimers()});
        dashboard.resize(720, 860);
        dashboard.show();
        CommunityWorld::waitUntil([&] { return !dashboard.isLoading(); });
        settle();
        shoot(dashboard, "server-dashboard", code);
    }
}

TEST_F(CommunityScreenshots, FailureAndEmptyStates)
{
    world.service.state().tickets.clear();
    auto* support = openLoaded<SupportView>(world.window, {.api = *world.api, .makeTimer = world.manualTimers()});
    shootSheet(support, "support-empty", "zh");

    world.dropAnswers(QStringLiteral("/api/user/traffic_log"));
    shootSheet(openLoaded<TrafficLogView>(world.window, {.api = *world.api}), "traffic-log-error", "zh");

    world.answer(QStringLiteral("/api/server/status"), 502, "<html>Bad Gateway</html>");
    ServerDashboardView dashboard({.api = *world.api, .makeTimer = world.manualTimers()});
    dashboard.resize(720, 600);
    dashboard.show();
    CommunityWorld::waitUntil([&] { return !dashboard.isLoading(); });
    shoot(dashboard, "server-dashboard-error", "zh");
}

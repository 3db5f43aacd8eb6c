#include "dashboard_fixture.h"
#include "outside_text.h"
#include "support/event_waits.h"
#include "support/screenshot.h"
#include "ui/dashboard/connection_log_card.h"
#include "ui/shell/compact_dashboard.h"

// The dashboard and the compact window over a service whose node and plan names are hostile:
// markup, direction overrides, line breaks and 10,000 characters.
class DashboardOutsideText : public DashboardFixture {
protected:
    void SetUp() override
    {
        Node hostile = node(1, name, QStringLiteral("online"), 42, hostileText(QStringLiteral("region")));
        appState.toggleFavorite(1);
        signIn({hostile, node(2, QStringLiteral("香港 02"))});
        appState.addRecent(1);
        auto profile = sampleProfile();
        profile.plan = hostileText(QStringLiteral("plan"));
        profile.inviteCode = hostileText(QStringLiteral("code"));
        profile.expire = hostileText(QStringLiteral("expire"));
        appState.setProfile(profile);
        connected = hostile;
    }

    const QString name = hostileText(QStringLiteral("node"));
    Node connected;
};

TEST_F(DashboardOutsideText, NamesAreDrawnAsWrittenOnOneLineAndTheWindowKeepsItsSize)
{
    auto& dashboard = showView();
    waitUntil([&] { return !dashboard.isFetchingIP(); });
    deliverPostedEvents();
    const QSize size = dashboard.size();

    connectTo(connected);
    vpn.addLog(ConnectionLogEntry::LogType::connected, hostileText(QStringLiteral("message")), name);
    dashboard.logCard()->setExpanded(true);
    deliverPostedEvents();

    EXPECT_EQ(dashboard.size(), size);
    expectContentFitsItsWindow(dashboard);
    expectOnlyHostileTextCut(dashboard);
    expectEveryLabelPlain(dashboard);
    // The connection card, the favourite, recent and listed rows and the log's node badge.
    const auto labels = labelsShowing(dashboard, name);
    EXPECT_EQ(labels.size(), 5);
    for (const auto* label : labels) {
        SCOPED_TRACE(label->parentWidget()->metaObject()->className());
        expectOnOneLine(*label, name);
    }
    // The plan and the expiry in the subscription card, the invite code and the expiry in the
    // invite card.
    const auto& profile = *appState.profile();
    for (const auto& field : {*profile.plan, *profile.inviteCode, *profile.expire}) {
        SCOPED_TRACE(field.left(6).toStdString());
        const auto shown = labelsShowing(dashboard, field);
        EXPECT_FALSE(shown.isEmpty());
        for (const auto* label : shown)
            expectOnOneLine(*label, field);
    }
    auto* content = dashboard.findChild<QWidget*>(QStringLiteral("dashboardContent"));
    dashboard.resize(size.width(), content->sizeHint().height() + 4);
    EXPECT_FALSE(saveScreenshot(dashboard, QStringLiteral("dashboard-hostile-names")).isEmpty());
}

TEST_F(DashboardOutsideText, TheCompactWindowShowsTheNodeOnOneLineAtItsSize)
{
    CompactDashboard compact({vpn, appState, *settings.store});
    compact.show();
    deliverPostedEvents();
    const QSize size = compact.size();

    connectTo(connected);
    deliverPostedEvents();

    EXPECT_EQ(compact.size(), size);
    expectContentFitsItsWindow(compact);
    expectEveryLabelPlain(compact);
    const auto labels = labelsShowing(compact, name);
    ASSERT_EQ(labels.size(), 1);
    expectOnOneLine(*labels.first(), name);
    EXPECT_FALSE(saveScreenshot(compact, QStringLiteral("compact-hostile-name")).isEmpty());
}

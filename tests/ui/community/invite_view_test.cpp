#include "community_world.h"
#include "support/table_row.h"

#include "ui/common/button.h"
#include "ui/common/load_state_view.h"
#include "ui/community/invite_view.h"
#include "ui/community/stat_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>

namespace {

const QString invitePath = QStringLiteral("/api/user/invite");

} // namespace

// The invitation sheet against the stand-in service.
class InviteViewTest : public ::testing::Test {
protected:
    InviteView* openSheet() { return openLoaded<InviteView>(world.window, {.api = *world.api}); }

    CommunityWorld world;
};

TEST_F(InviteViewTest, ShowsCodeCountersInvitedUsersAndCommissions)
{
    auto* view = openSheet();
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("inviteCode"))->text(), QStringLiteral("VEL8K2Q"));
    EXPECT_EQ(statValues(view), (QStringList{QStringLiteral("3"), QStringLiteral("¥66.20"), QStringLiteral("¥5.00")}));
    EXPECT_EQ(view->findChildren<QWidget*>(QStringLiteral("invitedUser")).size(), 3);
    const auto records = view->findChildren<QWidget*>(QStringLiteral("commission"));
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0]->findChild<QLabel*>(QStringLiteral("status"))->text(), QStringLiteral("已结算"));
    EXPECT_EQ(records[2]->findChild<QLabel*>(QStringLiteral("status"))->text(), QStringLiteral("待结算"));
    EXPECT_EQ(records[2]->findChild<QLabel*>(QStringLiteral("amount"))->text(), QStringLiteral("¥5.00"));

    view->findChild<Button*>(QStringLiteral("copyButton"))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("VEL8K2Q"));
    EXPECT_TRUE(view->isCopied());
    EXPECT_EQ(view->findChild<Button*>(QStringLiteral("copyButton"))->text(), QStringLiteral("已复制"));
}

TEST_F(InviteViewTest, ListsTheFirstTenInvitedUsersAndShowsAbsentValuesAsZero)
{
    QJsonArray users;
    for (int i = 1; i <= 12; ++i)
        users.append(
            QJsonObject{{QStringLiteral("email"), QStringLiteral("u%1@example.test").arg(i)},
                        {QStringLiteral("created_at"), QStringLiteral("2025-03-%1").arg(i, 2, 10, QLatin1Char('0'))}});
    const QJsonObject answer{{QStringLiteral("ok"), true},
                             {QStringLiteral("invite_code"), QString()},
                             {QStringLiteral("commission_total"), 3.456},
                             {QStringLiteral("invited_users"), users},
                             {QStringLiteral("commissions"), QJsonArray()}};
    world.answer(invitePath, 200, QJsonDocument(answer).toJson());
    auto* view = openSheet();

    const auto rows = view->findChildren<QWidget*>(QStringLiteral("invitedUser"));
    ASSERT_EQ(rows.size(), InviteView::shownInvitedUsers);
    EXPECT_EQ(rows.first()->findChild<QLabel*>()->text(), QStringLiteral("u1@example.test"));
    EXPECT_EQ(rows.last()->findChild<QLabel*>()->text(), QStringLiteral("u10@example.test"));
    EXPECT_EQ(statValues(view), (QStringList{QStringLiteral("0"), QStringLiteral("¥3.46"), QStringLiteral("¥0.00")}));
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("inviteCode")), nullptr);
    EXPECT_EQ(view->findChild<Button*>(QStringLiteral("copyButton")), nullptr);
    EXPECT_NE(view->findChild<QLabel*>(QStringLiteral("noCommissions")), nullptr);
    EXPECT_EQ(view->findChild<QWidget*>(QStringLiteral("commissionCard")), nullptr);
}

TEST_F(InviteViewTest, FailuresShowTheirTextAndRetryLoadsAgain)
{
    struct Case {
        QByteArray answer;
        QString error;
    };
    const Case cases[] = {
        {R"({"ok":false})", QStringLiteral("加载失败")},
        {R"({"invite_code":"X"})", QStringLiteral("网络错误，请重试")},
        {R"({"ok":true,"invited_users":[{"email":"a@b.test"}]})", QStringLiteral("网络错误，请重试")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        world.answer(invitePath, 200, c.answer);
        auto* view = openSheet();
        EXPECT_EQ(view->loadError(), c.error) << c.answer.constData();
        EXPECT_TRUE(view->states()->isShowingError());
        EXPECT_EQ(view->states()->errorText(), c.error);
        world.service.clearOverrides();
        view->states()->retryButton()->click();
        EXPECT_TRUE(view->states()->isShowingLoading());
        CommunityWorld::waitUntil([view] { return !view->isLoading(); });
        EXPECT_FALSE(view->loadError().has_value());
        view->close();
        settle();
    }
}

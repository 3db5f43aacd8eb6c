#include "community_world.h"

#include "ui/common/button.h"
#include "ui/common/load_state_view.h"
#include "ui/community/withdraw_view.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>

using namespace std::chrono_literals;

namespace {

const QString withdrawPath = QStringLiteral("/api/user/withdraw");

} // namespace

// The withdrawal sheet against the stand-in service.
class WithdrawViewTest : public ::testing::Test {
protected:
    WithdrawView* openSheet() { return openLoaded<WithdrawView>(world.window, {.api = *world.api}); }

    static void waitForLoad(WithdrawView* view)
    {
        CommunityWorld::waitUntil([view] { return !view->isLoading(); });
        settle();
    }

    static QMessageBox* submitAndWaitForAlert(WithdrawView* view)
    {
        view->submitButton()->click();
        CommunityWorld::waitUntil([view] { return !view->isSubmitting() && view->resultAlert(); });
        return view->resultAlert();
    }

    CommunityWorld world;
};

TEST_F(WithdrawViewTest, ShowsThePendingCommissionAndTheEarlierRequests)
{
    auto* view = openSheet();
    EXPECT_DOUBLE_EQ(view->pending(), 61.2);
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("balance"))->text(), QStringLiteral("¥61.20"));
    EXPECT_TRUE(view->submitButton()->isEnabled());
    const auto rows = view->findChildren<QWidget*>(QStringLiteral("withdrawal"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->findChild<QLabel*>(QStringLiteral("amount"))->text(), QStringLiteral("¥25.00"));
    EXPECT_EQ(rows[0]->findChild<QLabel*>(QStringLiteral("status"))->text(), QStringLiteral("已驳回"));
    EXPECT_EQ(rows[1]->findChild<QLabel*>(QStringLiteral("status"))->text(), QStringLiteral("已通过"));
}

TEST_F(WithdrawViewTest, BelowTenTheRequestCannotBeMadeAndWithoutRecordsThereIsNoRecordsCard)
{
    world.service.state().account.commission = 9.996;
    world.service.state().withdraws.clear();
    auto* view = openSheet();
    EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("balance"))->text(), QStringLiteral("¥10.00"));
    EXPECT_FALSE(view->submitButton()->isEnabled());
    EXPECT_EQ(view->findChild<QWidget*>(QStringLiteral("recordsCard")), nullptr);
}

TEST_F(WithdrawViewTest, AnAcceptedRequestClearsTheNoteAndOkReloads)
{
    auto* view = openSheet();
    view->noteEditor()->setPlainText(QStringLiteral("支付宝 demo@velmorand.test"));
    auto* alert = submitAndWaitForAlert(view);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QStringLiteral("提现申请已提交，预计 1–3 个工作日到账"));
    const auto sent = world.service.requestsTo(withdrawPath);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(sent.first().body).object().value(QStringLiteral("note")).toString(),
              QStringLiteral("支付宝 demo@velmorand.test"));
    EXPECT_TRUE(view->noteEditor()->toPlainText().isEmpty());

    alert->buttons().first()->click();
    EXPECT_TRUE(view->isLoading());
    waitForLoad(view);
    EXPECT_DOUBLE_EQ(view->pending(), 0);
    EXPECT_EQ(view->withdraws().size(), 3);
    EXPECT_FALSE(view->submitButton()->isEnabled());
}

TEST_F(WithdrawViewTest, ARefusedOrFailedRequestKeepsTheTypedNote)
{
    struct Case {
        const char* name;
        std::optional<QByteArray> answer; // none: the connection drops
        QString message;
    };
    const Case cases[] = {
        {"refused with a message", R"({"ok":false,"msg":"已有处理中的提现申请"})",
         QStringLiteral("已有处理中的提现申请")},
        {"refused without one", R"({"ok":false})", QStringLiteral("申请失败")},
        {"not an object", R"([1,2])", QStringLiteral("申请失败")},
        {"never answered", std::nullopt, QStringLiteral("网络错误，请重试")},
    };
    for (const auto& c : cases) {
        world.service.clearOverrides();
        if (c.answer)
            world.answer(withdrawPath, 200, *c.answer);
        else
            world.dropAnswers(withdrawPath);
        auto* view = openSheet();
        view->noteEditor()->setPlainText(QStringLiteral("银行卡 6222 **** 1234"));
        auto* alert = submitAndWaitForAlert(view);
        ASSERT_NE(alert, nullptr) << c.name;
        EXPECT_EQ(alert->text(), c.message) << c.name;
        EXPECT_EQ(view->noteEditor()->toPlainText(), QStringLiteral("银行卡 6222 **** 1234")) << c.name;
        EXPECT_TRUE(view->submitButton()->isEnabled()) << c.name;
        view->close();
        settle();
    }
}

TEST_F(WithdrawViewTest, AFailingProfileShowsTheErrorAndAppliesNoRecords)
{
    world.answer(QStringLiteral("/api/user/profile"), 200, R"({"commission":5})");
    auto* view = openSheet();
    EXPECT_EQ(view->loadError(), QStringLiteral("网络错误，请重试"));
    EXPECT_TRUE(view->states()->isShowingError());
    EXPECT_TRUE(view->withdraws().isEmpty());

    world.service.clearOverrides();
    view->states()->retryButton()->click();
    waitForLoad(view);
    EXPECT_FALSE(view->loadError().has_value());
    EXPECT_EQ(view->withdraws().size(), 2);
}

TEST_F(WithdrawViewTest, ClosingWhileTheRequestIsOnItsWayTouchesNothing)
{
    world.delayAnswers(withdrawPath, 300ms);
    QPointer<WithdrawView> view = openSheet();
    view->submitButton()->click();
    view->close();
    settle();
    EXPECT_TRUE(view.isNull());
    // A request posted later with the same delay is answered after the sheet's.
    EXPECT_FALSE(QCoro::waitFor(world.api->requestWithdraw(QString())).ok);
    settle();
}

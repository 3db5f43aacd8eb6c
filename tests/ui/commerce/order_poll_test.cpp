// The order-status poll as a state machine on a hand-driven beat against the stand-in service:
// pending to paid, closed, failed requests, answers for earlier orders, and its end with the
// sheet and the screen.
#include "purchase_fixture.h"

#include "support/minimised_window.h"
#include "ui/common/icon_button.h"

#include <QLabel>
#include <QMessageBox>
#include <QNetworkReply>
#include <QSignalSpy>

class OrderPollTest : public PurchaseTest {
protected:
    // One beat, then the wait for its request to be answered and applied.
    void beat()
    {
        const auto before = statusRequests();
        world.beat->fire();
        CommerceWorld::waitUntil([&] { return statusRequests() == before + 1; });
        waitForReplies();
    }
    qsizetype statusRequests() const { return world.service.requestsTo(QStringLiteral("/api/order/status")).size(); }
    StandInState::Order& order() { return *world.service.state().findOrder(*pay().payOrder->order_id); }
};

TEST_F(OrderPollTest, PendingThenPaidEndsWithTheSuccessAlert)
{
    world.service.state().pollsUntilPaid = 2;
    open();
    buy(u"标准版(月付)"_qs);
    EXPECT_TRUE(world.beat->running);
    // The first request waits for the first beat.
    EXPECT_EQ(statusRequests(), 0);

    beat();
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/order/status")).last().target,
              QByteArray("/api/order/status?order_id=") + QByteArray::number(*pay().payOrder->order_id));
    EXPECT_TRUE(view->isPaySheetShown());
    EXPECT_FALSE(view->isSuccessShown());

    beat();
    EXPECT_FALSE(view->isPaySheetShown());
    EXPECT_FALSE(world.beat->running);
    EXPECT_TRUE(view->isSuccessShown());
    EXPECT_EQ(view->successPlan(), u"标准版(月付)"_qs);
    ASSERT_TRUE(view->successAlert());
    EXPECT_EQ(view->successAlert()->informativeText(), u"已开通套餐：标准版(月付)"_qs);
    world.beat->fire();
    EXPECT_EQ(statusRequests(), 2);
}

TEST_F(OrderPollTest, FinalStatusesAreExact)
{
    struct Case {
        QByteArray answer;
        bool ends;
        std::optional<QString> successPlan;
        std::optional<QString> payError;
    };
    const Case cases[] = {
        {R"({"ok":true,"status":"Paid","plan_name":"x"})", false, std::nullopt, std::nullopt},
        {R"({"ok":true,"status":"pending"})", false, std::nullopt, std::nullopt},
        {R"({"ok":false})", false, std::nullopt, std::nullopt},
        {R"({"ok":false,"status":"completed"})", true, u"套餐"_qs, std::nullopt},
        {R"({"ok":true,"status":"closed"})", true, std::nullopt, u"订单已关闭"_qs},
    };
    for (const auto& c : cases) {
        open();
        buy(u"Special"_qs);
        world.service.setOverride(QStringLiteral("/api/order/status"), answerOnce(200, c.answer));
        beat();
        EXPECT_EQ(view->isPaySheetShown(), !c.ends) << c.answer.constData();
        EXPECT_EQ(world.beat->running, !c.ends) << c.answer.constData();
        EXPECT_EQ(view->successPlan(), c.successPlan) << c.answer.constData();
        EXPECT_EQ(pay().payError, c.payError) << c.answer.constData();
        delete view;
        deliverPostedEvents();
    }
}

TEST_F(OrderPollTest, ClosedOrderClosesTheSheet)
{
    open();
    buy(u"Special"_qs);
    order().status = QStringLiteral("closed");
    beat();
    EXPECT_FALSE(view->isPaySheetShown());
    EXPECT_FALSE(world.beat->running);
    EXPECT_EQ(pay().payError, u"订单已关闭"_qs);
    EXPECT_FALSE(view->isSuccessShown());
    CommerceWorld::waitUntil([this] { return view->paymentSheet() == nullptr; });
    // Said on the sheet that stays on screen, until the next plan is chosen.
    EXPECT_EQ(view->orderNote(), u"订单已关闭"_qs);
    EXPECT_TRUE(view->orderNoteLabel()->isVisible());
    EXPECT_EQ(view->orderNoteLabel()->text(), u"订单已关闭"_qs);
    buy(u"Special"_qs);
    EXPECT_FALSE(view->orderNote());
    EXPECT_FALSE(view->orderNoteLabel()->isVisible());
}

TEST_F(OrderPollTest, ClosingThePaymentSheetRefreshesTheProfileForAPlanJustPaid)
{
    open();
    QSignalSpy refreshes(&world.notifier, &AppEvents::refreshProfile);
    buy(u"Special"_qs);
    // Paid in the wallet application seconds before the user closes the sheet, before a beat.
    order().status = QStringLiteral("paid");
    clickClose(*view->paymentSheet());
    deliverPostedEvents();
    EXPECT_EQ(refreshes.size(), 1);
    EXPECT_FALSE(world.beat->running);
}

TEST_F(OrderPollTest, FailedRequestsAreSilentAndPollingGoesOn)
{
    world.service.state().pollsUntilPaid = 1;
    open();
    buy(u"Special"_qs);
    // Answers that do not decode; the second lacks the required "ok", so its "paid" counts for
    // nothing. (A dropped connection is no clean failure here: Qt sends the GET again.)
    for (const auto& [status, body] :
         {std::pair{502, QByteArray("<html>bad gateway</html>")}, {200, QByteArray(R"({"status":"paid"})")}}) {
        world.service.setOverride(QStringLiteral("/api/order/status"), answerOnce(status, body));
        beat();
        EXPECT_TRUE(view->isPaySheetShown());
        EXPECT_TRUE(world.beat->running);
        EXPECT_FALSE(pay().payError);
    }
    beat();
    EXPECT_TRUE(view->isSuccessShown());
}

TEST_F(OrderPollTest, BeatsWhileARequestIsOutAskNothing)
{
    open();
    buy(u"Special"_qs);
    world.service.setOverride(QStringLiteral("/api/order/status"), slowOnce(std::chrono::milliseconds(500)));
    world.beat->fire();
    CommerceWorld::waitUntil([this] { return statusRequests() == 1; });
    world.beat->fire();
    world.beat->fire();
    waitForReplies();
    EXPECT_EQ(statusRequests(), 1);
    world.beat->fire();
    CommerceWorld::waitUntil([this] { return statusRequests() == 2; });
}

TEST_F(OrderPollTest, AnswerForAnEarlierOrderNeverEndsTheCurrentOne)
{
    world.service.state().pollsUntilPaid = 1;
    open();
    buy(u"Special"_qs);
    const auto first = *pay().payOrder->order_id;
    world.service.setOverride(QStringLiteral("/api/order/status"), slowOnce(std::chrono::milliseconds(600)));
    world.beat->fire(); // asks for the first order; the answer "paid" comes late
    CommerceWorld::waitUntil([this] { return statusRequests() == 1; });

    clickClose(*view->paymentSheet());
    deliverPostedEvents();
    buy(u"标准版(月付)"_qs);
    ASSERT_NE(pay().payOrder->order_id, first);
    EXPECT_TRUE(world.beat->running);
    waitForReplies();
    EXPECT_TRUE(view->isPaySheetShown());
    EXPECT_FALSE(view->isSuccessShown());
    EXPECT_FALSE(pay().payError);
    EXPECT_EQ(world.service.state().findOrder(first)->status, u"paid"_qs);
}

TEST_F(OrderPollTest, PollingEndsWithTheSheetAndTheScreen)
{
    open();
    buy(u"Special"_qs);
    EXPECT_TRUE(world.beat->running);
    clickClose(*view->paymentSheet());
    deliverPostedEvents();
    EXPECT_FALSE(world.beat->running);
    world.beat->fire();
    EXPECT_EQ(statusRequests(), 0);

    // The screen's disappearance stops it even while the sheet shows.
    buy(u"Special"_qs);
    EXPECT_TRUE(world.beat->running);
    view->hide();
    EXPECT_FALSE(world.beat->running);
}

TEST_F(OrderPollTest, AMinimisedSheetGoesOnWaitingForThePayment)
{
    world.service.state().pollsUntilPaid = 1;
    open();
    buy(u"标准版(月付)"_qs);
    const auto planLoads = world.service.requestsTo(QStringLiteral("/api/plans")).size();

    // The user minimises the client to pay in a wallet application.
    minimiseWindow(*view);
    ASSERT_TRUE(view->isMinimized());
    EXPECT_TRUE(world.beat->running);
    beat();
    EXPECT_TRUE(view->isSuccessShown()) << "the payment is seen while minimised";

    // Back on screen: the same sheet, its list not loaded again.
    restoreWindow(*view);
    EXPECT_FALSE(view->isMinimized());
    deliverPostedEvents();
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/plans")).size(), planLoads);
    EXPECT_FALSE(view->isLoading());
}

TEST_F(OrderPollTest, NoRequestOutlivesTheScreen)
{
    open();
    buy(u"Special"_qs);
    world.service.setOverride(QStringLiteral("/api/order/status"), slowOnce(std::chrono::milliseconds(30000)));
    world.beat->fire();
    CommerceWorld::waitUntil([this] { return statusRequests() == 1; });
    QPointer<ApiService> client = view->findChild<ApiService*>();
    ASSERT_TRUE(client);
    auto replies = view->findChildren<QNetworkReply*>();
    ASSERT_EQ(replies.size(), 1);
    QPointer<QNetworkReply> reply = replies.first();

    view->close();
    CommerceWorld::waitUntil([&] { return view.isNull() && client.isNull() && reply.isNull(); });
    EXPECT_FALSE(world.beat->running);
}

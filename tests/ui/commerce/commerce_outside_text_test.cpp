// The purchase and payment sheets over a service whose plan names, refusals and USDT address are
// hostile: markup, direction overrides, line breaks and 10,000 characters.
#include "outside_text.h"
#include "purchase_fixture.h"
#include "support/screenshot.h"
#include "ui/commerce/converter_view.h"
#include "ui/commerce/subscription_view.h"
#include "ui/common/button.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace {

QByteArray json(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

// Nothing under `sheet` reads markup, scrolls sideways or reaches past the sheet's right edge or
// the view it is shown in.
void expectHeldBy(const QWidget& sheet)
{
    expectEveryLabelPlain(sheet);
    expectContentFitsItsWindow(sheet);
}

} // namespace

class CommerceOutsideText : public PurchaseTest {
protected:
    void SetUp() override
    {
        // Its group title is the name without the period.
        world.service.state().plans.append(QJsonObject{{QStringLiteral("id"), 7},
                                                       {QStringLiteral("name"), planName},
                                                       {QStringLiteral("traffic"), 100},
                                                       {QStringLiteral("price"), 20},
                                                       {QStringLiteral("nodes"), 15},
                                                       {QStringLiteral("devices"), 3},
                                                       {QStringLiteral("period"), QStringLiteral("month")}});
    }

    const QString planName = hostileText(QStringLiteral("plan")) + QStringLiteral("(月付)");
    const QString refusal = hostileText(QStringLiteral("refusal"));
};

TEST_F(CommerceOutsideText, PlanNamesAndRefusalsShowAsWrittenWithinTheSheet)
{
    auto& sheet = open();
    const QSize size = sheet.size();
    expectHeldBy(sheet);
    EXPECT_FALSE(saveScreenshot(sheet, QStringLiteral("purchase-hostile-plan")).isEmpty());

    world.service.setOverride(QStringLiteral("/api/coupon/validate"),
                              answerOnce(200, json({{QStringLiteral("ok"), false}, {QStringLiteral("msg"), refusal}})));
    sheet.couponToggle()->click();
    sheet.couponField()->setText(QStringLiteral("ANY"));
    sheet.validateButton()->click();
    CommerceWorld::waitUntil([&] { return !sheet.isCouponValidating(); });
    deliverPostedEvents();
    EXPECT_EQ(sheet.couponNote()->text(), refusal);
    EXPECT_EQ(sheet.size(), size);
    expectHeldBy(sheet);
    EXPECT_FALSE(saveScreenshot(sheet, QStringLiteral("purchase-hostile-coupon-refusal")).isEmpty());

    world.service.setOverride(QStringLiteral("/api/order/create"),
                              answerOnce(200, json({{QStringLiteral("ok"), false}, {QStringLiteral("msg"), refusal}})));
    sheet.couponField()->clear();
    buy(planName);
    auto* payment = sheet.paymentSheet();
    ASSERT_TRUE(payment);
    EXPECT_EQ(payment->creatingError()->text(), refusal);
    expectHeldBy(*payment);
    EXPECT_FALSE(saveScreenshot(*payment, QStringLiteral("payment-hostile-order-refusal")).isEmpty());
}

TEST_F(CommerceOutsideText, TheUsdtAddressAndThePlanInTheSuccessAlertShowAsWritten)
{
    auto& sheet = open();
    world.service.setOverride(QStringLiteral("/api/order/create"),
                              answerOnce(200,
                                         json({{QStringLiteral("ok"), true},
                                               {QStringLiteral("order_id"), 77},
                                               {QStringLiteral("amount"), 20},
                                               {QStringLiteral("usdt_address"), refusal},
                                               {QStringLiteral("usdt_amount"), 2.78}})));
    buy(planName);
    auto* payment = sheet.paymentSheet();
    ASSERT_TRUE(payment);
    const QSize size = payment->size();
    payment->wayButtons()[2]->click();
    deliverPostedEvents();
    EXPECT_EQ(payment->size(), size);
    EXPECT_EQ(labelsShowing(*payment, refusal).size(), 1);
    expectHeldBy(*payment);
    EXPECT_FALSE(saveScreenshot(*payment, QStringLiteral("payment-hostile-usdt-address")).isEmpty());
    clickClose(*payment);
    deliverPostedEvents();

    // Bought for real: the order's status names the plan once it is paid.
    world.service.state().pollsUntilPaid = 1;
    buy(planName);
    world.beat->fire();
    CommerceWorld::waitUntil([&] { return sheet.successAlert() != nullptr; });
    auto* alert = sheet.successAlert();
    EXPECT_TRUE(alert->informativeText().endsWith(planName));
    expectEveryLabelPlain(*alert);
    EXPECT_FALSE(saveScreenshot(*alert, QStringLiteral("purchase-hostile-success-alert")).isEmpty());
}

TEST(CommerceOutsideTextSheets, TheConvertersLinesShowAsWrittenWithinTheSheet)
{
    CommerceWorld world;
    QPointer<ConverterView> view = new ConverterView(world.services(), nullptr);
    view->open();
    deliverPostedEvents();
    const QSize size = view->size();
    const QString hostile = hostileText(QStringLiteral("format"));
    struct Case {
        const char* name;
        QJsonObject answer;
        QLabel* line;
        const char* picture;
    };
    const Case cases[] = {
        {"the result's format",
         {{QStringLiteral("ok"), true},
          {QStringLiteral("config"), QStringLiteral("proxies: []")},
          {QStringLiteral("count"), 0},
          {QStringLiteral("format"), hostile}},
         view->formatLine(),
         "converter-hostile-format"},
        {"the refusal",
         {{QStringLiteral("ok"), false}, {QStringLiteral("error"), hostile}},
         view->errorLine(),
         "converter-hostile-refusal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        world.service.setOverride(QStringLiteral("/api/convert"), answerOnce(200, json(c.answer)));
        view->linkEditor()->setPlainText(QStringLiteral("https://sub.example/x"));
        view->convertButton()->click();
        CommerceWorld::waitUntil([&] { return !view->isLoading(); });
        deliverPostedEvents();
        EXPECT_TRUE(c.line->isVisibleTo(view) && c.line->text().endsWith(hostile));
        EXPECT_EQ(view->size(), size);
        expectHeldBy(*view);
        EXPECT_FALSE(saveScreenshot(*view, QLatin1String(c.picture)).isEmpty());
    }
    delete view;
    deliverPostedEvents();
}

TEST(CommerceOutsideTextSheets, TheSubscriptionLinkShowsAsWrittenWithinTheSheet)
{
    CommerceWorld world;
    const QString token = hostileText(QStringLiteral("token"));
    world.service.state().account.uuid = token;
    QPointer<SubscriptionView> view = new SubscriptionView(world.services(), nullptr);
    view->open();
    CommerceWorld::waitUntil([&] { return !view->isLoading(); });
    deliverPostedEvents();
    EXPECT_EQ(labelsShowing(*view, CommerceWorld::serviceAddress + QStringLiteral("/api/sub/") + token).size(), 1);
    expectHeldBy(*view);
    EXPECT_FALSE(saveScreenshot(*view, QStringLiteral("subscription-hostile-link")).isEmpty());
    delete view;
    deliverPostedEvents();
}

// The purchase, payment, subscription and converter sheets over a service whose plan names, tags,
// refusals, amounts, USDT address and subscription token are hostile (markup, direction overrides,
// line breaks, 10,000 characters) or one word longer than the sheet is wide.
#include "long_texts.h"
#include "purchase_fixture.h"
#include "support/screenshot.h"
#include "support/wrapped_text.h"
#include "ui/commerce/converter_view.h"
#include "ui/commerce/subscription_view.h"
#include "ui/common/button.h"
#include "ui/common/symbol_view.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>

namespace {

QByteArray json(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

// Nothing under `sheet` reads markup, scrolls sideways or reaches past the sheet's right edge or
// the view it is shown in.
void expectHeldBy(const QWidget& sheet)
{
    expectEveryLabelPlain(sheet);
    expectContentFitsItsWindow(sheet);
}

// Every plan row shows its price, the hint under it and its chevron whole and in view.
void expectPricesAndChevronsInView(const PurchaseView& sheet)
{
    for (const auto* row : sheet.planRows()) {
        SCOPED_TRACE(row->plan().name.left(8).toStdString());
        QList<const QWidget*> ends{row->priceLabel(), row->findChild<SymbolView*>()};
        if (row->hintLabel())
            ends.append(row->hintLabel());
        const auto* viewport = row->parentWidget()->parentWidget();
        for (const auto* end : ends) {
            ASSERT_TRUE(end);
            EXPECT_TRUE(end->isVisibleTo(&sheet));
            EXPECT_GE(end->width(), end->sizeHint().width()) << "whole";
            EXPECT_LE(end->mapTo(viewport, QPoint(end->width(), 0)).x(), viewport->width()) << "in view";
        }
    }
}

} // namespace

TEST_F(PurchaseTest, ALongTagOrAPlanNameWithAnUnknownPeriodLeavesEveryRowsPriceAndChevronInView)
{
    open();
    const QSize ordinary = view->size();
    expectPricesAndChevronsInView(*view);
    delete view;
    const auto plans = world.service.state().plans;
    struct Field {
        const char* key;
        // A period the row does not name shows the plan's name as the row's title.
        const char* period;
    };
    for (const auto language : allAppLanguages) {
        ScopedLanguage scope(language);
        for (const auto& field : {Field{"tag", "month"}, Field{"name", "fortnight"}}) {
            for (const auto& text : longTexts(QLatin1String(field.key))) {
                const QString name = QStringLiteral("purchase-long-%1-%2-")
                                         .arg(QLatin1String(field.key), isHostile(text) ? u"hostile"_qs : u"word"_qs)
                    + rawValue(language);
                SCOPED_TRACE(name.toStdString());
                QJsonObject plan{{QStringLiteral("id"), 7},
                                 {QStringLiteral("name"), QStringLiteral("标准版(双周付)")},
                                 {QStringLiteral("traffic"), 100},
                                 {QStringLiteral("price"), 20},
                                 {QStringLiteral("nodes"), 15},
                                 {QStringLiteral("devices"), 3},
                                 {QStringLiteral("period"), QLatin1String(field.period)}};
                plan.insert(QLatin1String(field.key), text);
                auto list = plans;
                list.append(plan);
                world.service.state().plans = list;
                auto& sheet = open();

                EXPECT_EQ(sheet.size(), ordinary);
                expectHeldBy(sheet);
                expectPricesAndChevronsInView(sheet);
                expectOnlyTheseCut(sheet, {text});
                // The pictures show the plan's row.
                for (auto* planRow : sheet.planRows()) {
                    auto* area = qobject_cast<QScrollArea*>(planRow->parentWidget()->parentWidget()->parentWidget());
                    if (planRow->plan().id == 7 && area)
                        area->ensureWidgetVisible(planRow);
                }
                EXPECT_FALSE(saveScreenshot(sheet, name).isEmpty());
                delete view;
            }
        }
    }
}

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
    // The name on the line, cut with "…" within the alert's width.
    const QString prefix = u"已开通套餐："_qs;
    const QString shown = alert->informativeText();
    ASSERT_TRUE(shown.startsWith(prefix));
    EXPECT_TRUE(shown.endsWith(u"…"_qs));
    EXPECT_TRUE(oneLine(planName).startsWith(shown.mid(prefix.size()).chopped(1)));
    EXPECT_LE(alert->fontMetrics().horizontalAdvance(shown), 260);
    expectEveryLabelPlain(*alert);
    EXPECT_FALSE(saveScreenshot(*alert, QStringLiteral("purchase-hostile-success-alert")).isEmpty());
}

TEST_F(PurchaseTest, ALongCouponLabelIsCutInsideItsBadge)
{
    for (const auto& label : longTexts(u"coupon"_qs)) {
        SCOPED_TRACE(label.left(12).toStdString());
        StandInState::Coupon coupon;
        coupon.code = QStringLiteral("LONG");
        coupon.discountLabel = label;
        coupon.left = 5;
        world.service.state().coupons = {coupon};
        auto& sheet = open();
        const QSize ordinary = sheet.size();
        sheet.couponToggle()->click();
        sheet.couponField()->setText(coupon.code);
        sheet.validateButton()->click();
        CommerceWorld::waitUntil([&] { return !sheet.isCouponValidating(); });
        deliverPostedEvents();
        ASSERT_TRUE(sheet.couponBadge()->isVisibleTo(&sheet));
        EXPECT_EQ(sheet.size(), ordinary);
        expectHeldBy(sheet);
        expectOnlyTheseCut(sheet, {label});
        EXPECT_FALSE(
            saveScreenshot(sheet,
                           QStringLiteral("purchase-long-coupon-%1").arg(isHostile(label) ? u"hostile"_qs : u"word"_qs))
                .isEmpty());
        delete view;
    }
}

TEST_F(PurchaseTest, AnOrdersAmountsAndAddressStayOnOneLineWithinTheSheet)
{
    auto& sheet = open();
    buy(u"标准版(年付)"_qs);
    auto* payment = sheet.paymentSheet();
    ASSERT_TRUE(payment);
    payment->wayButtons()[2]->click();
    deliverPostedEvents();
    const QSize ordinary = payment->size();
    // The service's own address shows whole, for the user to select.
    auto* address
        = qobject_cast<TextLabel*>(labelsShowing(*payment, u"TQn9Y2khEsLJW1ChVWFMSMeRDow5KcbLSE"_qs).value(0));
    ASSERT_TRUE(address);
    EXPECT_EQ(address->shownText(), address->text());
    EXPECT_TRUE(address->textInteractionFlags() & Qt::TextSelectableByMouse);
    expectHeldBy(*payment);
    clickClose(*payment);
    deliverPostedEvents();

    // Amounts of hundreds of digits, as a double holds them.
    const double huge = 1e300;
    for (const auto language : allAppLanguages) {
        ScopedLanguage scope(language);
        for (const auto& text : longTexts(u"address"_qs)) {
            const QString name
                = QStringLiteral("payment-long-amounts-address-%1-").arg(isHostile(text) ? u"hostile"_qs : u"word"_qs)
                + rawValue(language);
            SCOPED_TRACE(name.toStdString());
            world.service.setOverride(QStringLiteral("/api/order/create"),
                                      answerOnce(200,
                                                 json({{QStringLiteral("ok"), true},
                                                       {QStringLiteral("order_id"), 77},
                                                       {QStringLiteral("amount"), huge},
                                                       {QStringLiteral("original_amount"), 10 * huge},
                                                       {QStringLiteral("usdt_address"), text},
                                                       {QStringLiteral("usdt_amount"), huge}})));
            buy(u"标准版(年付)"_qs);
            payment = sheet.paymentSheet();
            ASSERT_TRUE(payment);
            payment->wayButtons()[2]->click();
            deliverPostedEvents();
            EXPECT_EQ(payment->size(), ordinary);
            expectHeldBy(*payment);
            expectOnlyTheseCut(
                *payment,
                {text, payment->amount()->text(), payment->listPrice()->text(), payment->usdtAmount()->text()});
            EXPECT_FALSE(saveScreenshot(*payment, name).isEmpty());
            clickClose(*payment);
            deliverPostedEvents();
        }
    }
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

TEST(CommerceOutsideTextSheets, ALongConfigurationWrapsInsideThePreview)
{
    CommerceWorld world;
    QPointer<ConverterView> view = new ConverterView(world.services(), nullptr);
    view->open();
    for (const auto& config : longTexts(u"config"_qs)) {
        SCOPED_TRACE(config.left(12).toStdString());
        world.service.setOverride(
            QStringLiteral("/api/convert"),
            answerOnce(200, json({{QStringLiteral("ok"), true}, {QStringLiteral("config"), config}})));
        view->linkEditor()->setPlainText(QStringLiteral("https://sub.example/x"));
        view->convertButton()->click();
        CommerceWorld::waitUntil([&] { return !view->isLoading(); });
        view->viewButton()->click();
        auto* preview = view->preview();
        ASSERT_TRUE(preview);
        deliverPostedEvents();
        expectHeldBy(*preview);
        EXPECT_FALSE(
            saveScreenshot(*preview,
                           QStringLiteral("config-preview-long-%1").arg(isHostile(config) ? u"hostile"_qs : u"word"_qs))
                .isEmpty());
        clickClose(*preview);
        deliverPostedEvents();
    }
    delete view;
    deliverPostedEvents();
}

TEST(CommerceOutsideTextSheets, TheSubscriptionLinkShowsWholeOrCutWithinTheSheet)
{
    CommerceWorld world;
    const auto open = [&] {
        QPointer<SubscriptionView> view = new SubscriptionView(world.services(), nullptr);
        view->open();
        CommerceWorld::waitUntil([&] { return !view->isLoading(); });
        deliverPostedEvents();
        return view;
    };
    QPointer<SubscriptionView> view = open();
    const QSize ordinary = view->size();
    // The service's own link: whole, on at most two lines, for the user to select.
    auto* link = view->link();
    EXPECT_EQ(link->text(),
              CommerceWorld::serviceAddress + QStringLiteral("/api/sub/") + world.service.state().account.uuid);
    EXPECT_TRUE(link->isWhole());
    EXPECT_TRUE(link->textInteractionFlags() & Qt::TextSelectableByMouse);
    const QRect wrapped = wrappedTextRect(*link);
    EXPECT_LT(wrapped.height(), 3 * link->fontMetrics().height()) << "two lines at most";
    EXPECT_LE(wrapped.width(), link->contentsRect().width());
    EXPECT_GE(link->contentsRect().height(), wrapped.height()) << "both lines shown";
    expectHeldBy(*view);
    EXPECT_FALSE(saveScreenshot(*view, QStringLiteral("subscription-ordinary-link")).isEmpty());
    delete view;
    deliverPostedEvents();

    for (const auto& token : longTexts(u"token"_qs)) {
        SCOPED_TRACE(token.left(12).toStdString());
        world.service.state().account.uuid = token;
        view = open();
        const QString whole = CommerceWorld::serviceAddress + QStringLiteral("/api/sub/") + token;
        EXPECT_EQ(view->size(), ordinary);
        expectHeldBy(*view);
        expectOnlyTheseCut(*view, {whole});
        EXPECT_FALSE(
            saveScreenshot(
                *view, QStringLiteral("subscription-long-link-%1").arg(isHostile(token) ? u"hostile"_qs : u"word"_qs))
                .isEmpty());
        delete view;
        deliverPostedEvents();
    }
}

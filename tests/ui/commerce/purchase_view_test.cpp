// The purchase sheet against the stand-in service: the price list, the coupon, order creation
// with the request it sends, the payment ways and their QR codes.
#include "purchase_fixture.h"
#include "support/scoped_language.h"
#include "support/screenshot.h"
#include "support/table_row.h"

#include "ui/commerce/qr_image.h"
#include "ui/common/button.h"
#include "ui/common/load_state_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkReply>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>

namespace {

QStringList texts(const QList<QLabel*>& labels)
{
    QStringList out;
    for (const auto* label : labels)
        out.append(label->text());
    return out;
}

// What zbarimg reads from a widget as drawn.
QStringList decoded(QWidget& widget)
{
    QTemporaryDir dir;
    const auto path = dir.filePath(QStringLiteral("qr.png"));
    widget.grab().save(path);
    return CommerceWorld::decodeQr(path);
}

} // namespace

TEST_F(PurchaseTest, PriceListInSectionsWithDecimalsKept)
{
    open();
    EXPECT_EQ(view->states()->state(), LoadStateView::State::content);
    EXPECT_EQ(texts(view->groupTitles()),
              (QStringList{u"标准版"_qs, u"专业版"_qs, u"体验版"_qs, u"Special"_qs, u"商业版 (年付)"_qs}));
    QStringList rows;
    for (auto* planRow : view->planRows())
        rows.append(planRow->titleLabel()->text() + u' ' + planRow->priceLabel()->text());
    EXPECT_EQ(rows,
              (QStringList{u"月付 ¥29.90"_qs, u"年付 ¥299"_qs, u"季付 ¥89.70"_qs, u"月付 免费"_qs, u"Special ¥100"_qs,
                           u"年付 ¥998"_qs}));
    EXPECT_EQ(row(u"标准版(月付)"_qs)->hintLabel()->text(), u"≈¥29.9/月"_qs);
    EXPECT_EQ(row(u"标准版(月付)"_qs)->limitsLabel()->text(), u"200GB · 15节点 · 3设备"_qs);
    EXPECT_EQ(row(u"体验版"_qs)->hintLabel(), nullptr);
}

TEST_F(PurchaseTest, NumbersBeyondRangeNeverBreakTheList)
{
    // JSON has no infinity: a number past the double range makes the list unreadable, which
    // reads as a failed load; one past the 64-bit range shows as a dash.
    world.service.setOverride(
        QStringLiteral("/api/plans"),
        answerOnce(200, R"({"ok":true,"data":[{"id":1,"name":"X","traffic":1e999,"price":1,"nodes":1,"devices":1}]})"));
    open();
    EXPECT_EQ(view->states()->state(), LoadStateView::State::failed);
    world.service.setOverride(
        QStringLiteral("/api/plans"),
        answerOnce(
            200,
            R"({"ok":true,"data":[{"id":1,"name":"X","traffic":1e300,"price":1e300,"nodes":1,"devices":1,"period":"month"}]})"));
    view->states()->retryButton()->click();
    CommerceWorld::waitUntil([this] { return !view->isLoading(); });
    ASSERT_EQ(view->planRows().size(), 1);
    auto* only = view->planRows().first();
    EXPECT_EQ(only->priceLabel()->text(), u"¥—"_qs);
    EXPECT_EQ(only->hintLabel()->text(), QString());
    EXPECT_EQ(only->limitsLabel()->text(), u"—GB · 1节点 · 1设备"_qs);
}

TEST_F(PurchaseTest, FailedLoadOffersRetry)
{
    world.service.setOverride(QStringLiteral("/api/plans"), answerOnce(500, "<html>500</html>"));
    open();
    EXPECT_EQ(view->loadError(), u"加载失败，请重试"_qs);
    EXPECT_EQ(view->states()->state(), LoadStateView::State::failed);
    EXPECT_EQ(view->states()->errorText(), u"加载失败，请重试"_qs);
    view->states()->retryButton()->click();
    CommerceWorld::waitUntil([this] { return !view->isLoading(); });
    EXPECT_EQ(view->states()->state(), LoadStateView::State::content);
    EXPECT_EQ(view->planRows().size(), 6);
}

TEST_F(PurchaseTest, CouponCheckSendsTheTrimmedCodeOnly)
{
    open();
    EXPECT_FALSE(view->couponField()->isVisible());
    view->couponToggle()->click();
    EXPECT_TRUE(view->isCouponShown());

    view->couponField()->setText(u"   \n"_qs);
    EXPECT_FALSE(view->validateButton()->isEnabled());

    struct Case {
        QString typed;
        std::optional<StandInService::Override> override;
        QString badge; // empty: refused
        QString note;
    };
    const Case cases[] = {
        {u" WELCOME15 "_qs, std::nullopt, u"15%OFF"_qs, QString()},
        {u"NOPE"_qs, std::nullopt, QString(), u"优惠码不存在"_qs},
        {u"SPRING20"_qs, std::nullopt, QString(), u"优惠码已过期"_qs},
        {u"ANY"_qs, answerOnce(200, R"({"ok":false})"), QString(), u"优惠码无效"_qs},
        {u"ANY"_qs, answerOnce(200, R"({"ok":true})"), QString(), u"网络错误，请重试"_qs},
        {u"ANY"_qs, droppedConnection(), QString(), u"网络错误，请重试"_qs},
        {u"ANY"_qs, answerOnce(200, R"({"ok":true,"coupon":{"code":"ANY","discount_label":"7折"}})"), u"7折"_qs,
         QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        if (c.override)
            world.service.setOverride(QStringLiteral("/api/coupon/validate"), *c.override);
        world.service.clearRequests();
        view->couponField()->setText(c.typed);
        view->validateButton()->click();
        EXPECT_TRUE(view->isCouponValidating());
        EXPECT_EQ(view->validateButton()->text(), u"验证中..."_qs);
        CommerceWorld::waitUntil([this] { return !view->isCouponValidating(); });
        EXPECT_EQ(world.postsTo(QStringLiteral("/api/coupon/validate")),
                  (QList<QJsonObject>{{{QStringLiteral("code"), c.typed.trimmed()}}}))
            << c.typed.toStdString();
        EXPECT_EQ(view->couponBadge()->isVisibleTo(view), !c.badge.isEmpty());
        if (!c.badge.isEmpty()) {
            EXPECT_EQ(view->couponBadge()->text(), c.badge);
        }
        EXPECT_EQ(view->couponNote()->isVisibleTo(view), !c.note.isEmpty());
        EXPECT_EQ(view->couponMsg().value_or(QString()), c.note);
        EXPECT_EQ(view->couponField()->text(), c.typed); // the field itself is left as typed
    }
}

TEST_F(PurchaseTest, OrderRequestCarriesTheTypedCoupon)
{
    open();
    struct Case {
        QString typed;
        QJsonObject body;
    };
    const Case cases[] = {
        {u" WELCOME15 "_qs, {{u"plan_name"_qs, u"标准版(月付)"_qs}, {u"coupon_code"_qs, u"WELCOME15"_qs}}},
        {u"  "_qs, {{u"plan_name"_qs, u"标准版(月付)"_qs}}},
        {QString(), {{u"plan_name"_qs, u"标准版(月付)"_qs}}},
    };
    for (const auto& c : cases) {
        // Typed with the section closed and never validated: sent all the same.
        view->couponField()->setText(c.typed);
        world.service.clearRequests();
        buy(u"标准版(月付)"_qs);
        EXPECT_EQ(world.postsTo(QStringLiteral("/api/order/create")), QList<QJsonObject>{c.body})
            << c.typed.toStdString();
        clickClose(*view->paymentSheet());
        deliverPostedEvents();
    }
}

TEST_F(PurchaseTest, PayableOrderShowsAmountAndAlipayCode)
{
    open();
    view->couponField()->setText(u"WELCOME15"_qs);
    buy(u"标准版(年付)"_qs);
    ASSERT_TRUE(pay().payOrder);
    auto* sheet = view->paymentSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(view->isPaySheetShown());
    EXPECT_TRUE(view->isPolling());
    EXPECT_EQ(pay().payMethod, PaymentMethod::alipay);
    EXPECT_EQ(sheet->amount()->text(), u"¥254.15"_qs);
    EXPECT_TRUE(sheet->listPrice()->isVisibleTo(sheet));
    EXPECT_EQ(sheet->listPrice()->text(), u"原价 ¥299"_qs);
    EXPECT_EQ(decoded(*sheet->alipayQr()),
              QStringList{u"https://qr.alipay.com/bax0"_qs + pay().payOrder->out_trade_no->right(8)});
}

TEST_F(PurchaseTest, TheFirstSheetWithItsListPriceFitsWithoutScrolling)
{
    for (const auto language : allAppLanguages) {
        SCOPED_TRACE(rawValue(language).toStdString());
        ScopedLanguage scope(language);
        open();
        view->couponField()->setText(u"WELCOME15"_qs);
        buy(u"标准版(年付)"_qs);
        auto* sheet = view->paymentSheet();
        ASSERT_TRUE(sheet);
        ASSERT_TRUE(sheet->listPrice()->isVisible());
        ASSERT_TRUE(sheet->alipayQr()->isVisible());
        deliverPostedEvents();
        saveScreenshot(*sheet, u"payment-first-sheet-"_qs + rawValue(language));

        auto* scroll = sheet->body()->findChild<QScrollArea*>();
        ASSERT_TRUE(scroll);
        EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
        // The hint under the code keeps the page's bottom padding below it.
        QLabel* hint = nullptr;
        for (auto* label : sheet->findChildren<QLabel*>())
            if (label->isVisible() && label->text() == i18n::tr(u"请使用支付宝扫码支付"_qs))
                hint = label;
        ASSERT_TRUE(hint);
        const int hintBottom = hint->mapTo(scroll->viewport(), QPoint(0, hint->height())).y();
        EXPECT_LE(hintBottom + Spacing::l, scroll->viewport()->height());

        clickClose(*sheet);
        delete view;
        deliverPostedEvents();
    }
}

TEST_F(PurchaseTest, CreatingStateEndsWhenCreationFails)
{
    open();
    struct Case {
        StandInService::Override override;
        QString error;
    };
    const Case cases[] = {
        {answerOnce(200, R"({"ok":false,"msg":"库存不足"})"), u"库存不足"_qs},
        {answerOnce(400, R"({"ok":false})"), u"下单失败"_qs},
        {answerOnce(200, R"({"msg":"no ok"})"), u"网络错误，请重试"_qs},
        {droppedConnection(), u"网络错误，请重试"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        world.service.setOverride(QStringLiteral("/api/order/create"), c.override);
        row(u"Special"_qs)->click();
        auto* sheet = view->paymentSheet();
        ASSERT_TRUE(sheet);
        EXPECT_TRUE(pay().paying);
        EXPECT_EQ(sheet->body()->currentIndex(), 0);
        EXPECT_TRUE(sheet->creatingProgress()->isVisibleTo(sheet));
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        EXPECT_FALSE(sheet->creatingProgress()->isVisibleTo(sheet));
        EXPECT_FALSE(pay().payOrder);
        EXPECT_EQ(pay().payError, c.error);
        EXPECT_TRUE(sheet->creatingError()->isVisibleTo(sheet));
        EXPECT_EQ(sheet->creatingError()->text(), c.error);
        EXPECT_TRUE(view->isPaySheetShown());
        EXPECT_FALSE(view->isPolling());
        clickClose(*sheet);
        deliverPostedEvents();
    }
}

TEST_F(PurchaseTest, FreePlanEndsInTheSuccessAlert)
{
    QSignalSpy refreshes(&world.notifier, &AppEvents::refreshProfile);
    open();
    buy(u"体验版"_qs);
    EXPECT_FALSE(view->isPaySheetShown());
    EXPECT_FALSE(pay().payOrder);
    EXPECT_FALSE(view->isPolling());
    EXPECT_EQ(view->successPlan(), u"免费套餐已开通"_qs);
    ASSERT_TRUE(view->successAlert());
    EXPECT_EQ(view->successAlert()->informativeText(), u"已开通套餐：免费套餐已开通"_qs);
    EXPECT_EQ(refreshes.count(), 0);
    view->successAlert()->buttons().first()->click();
    CommerceWorld::waitUntil([this] { return view.isNull(); });
    EXPECT_EQ(refreshes.count(), 1);
}

TEST_F(PurchaseTest, LateOrderOfAnEarlierSelectionIsDropped)
{
    open();
    world.service.setOverride(QStringLiteral("/api/order/create"), slowOnce(std::chrono::milliseconds(800)));
    row(u"Special"_qs)->click();
    CommerceWorld::waitUntil(
        [this] { return world.service.requestsTo(QStringLiteral("/api/order/create")).size() == 1; });
    clickClose(*view->paymentSheet());
    // The second selection's order is answered at once; the first one's answer arrives while
    // (buy waits for every reply) the second is on display.
    buy(u"标准版(月付)"_qs);
    const auto& orders = world.service.state().orders;
    ASSERT_EQ(orders.size(), 3); // the seeded one and both new ones
    EXPECT_EQ(orders[1].planName, u"Special"_qs);
    EXPECT_EQ(orders[2].planName, u"标准版(月付)"_qs);
    ASSERT_TRUE(pay().payOrder);
    EXPECT_EQ(pay().payOrder->order_id, orders[2].id);
    EXPECT_EQ(pay().activePlan->name, u"标准版(月付)"_qs);
    EXPECT_FALSE(pay().payError);
    EXPECT_TRUE(view->isPaySheetShown());
}

TEST_F(PurchaseTest, WeChatCodeWithoutImageIsDrawnLocally)
{
    open();
    buy(u"Special"_qs);
    world.service.clearRequests();
    view->paymentSheet()->wayButtons()[1]->click();
    EXPECT_TRUE(pay().paying);
    CommerceWorld::waitUntil([this] { return !pay().paying && !pay().quibexQrImage.isNull(); });
    const auto tradeNo = *pay().payOrder->out_trade_no;
    EXPECT_EQ(world.postsTo(QStringLiteral("/api/pay/create_quibex_qr")),
              (QList<QJsonObject>{{{u"out_trade_no"_qs, tradeNo}, {u"type"_qs, u"wxpay"_qs}}}));
    auto* sheet = view->paymentSheet();
    EXPECT_EQ(sheet->wxStates()->currentIndex(), 0);
    EXPECT_EQ(decoded(*sheet->wxQr()), QStringList{u"weixin://wxpay/bizpayurl?pr="_qs + tradeNo.right(8)});
}

TEST_F(PurchaseTest, WeChatCodeAtAWebAddress)
{
    open();
    const auto base = world.service.baseUrl(world.port);
    const auto image = QrImage::encodePng(u"served image"_qs);
    world.service.setOverride(QStringLiteral("/qr/wx.png"), answerOnce(200, image, "image/png"));
    world.service.setOverride(QStringLiteral("/pay/page"), answerOnce(200, "<html>pay</html>", "text/html"));

    struct Case {
        QString code;
        QString decodes;
    };
    const Case cases[] = {
        {base + u"/qr/wx.png"_qs, u"served image"_qs},
        // Not an image there: the code itself is drawn.
        {base + u"/pay/page"_qs, base + u"/pay/page"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        buy(u"Special"_qs);
        // The preload answers first, then the code on demand.
        world.service.setOverride(
            QStringLiteral("/api/pay/create_quibex_qr"),
            answerOnce(200, QJsonDocument(QJsonObject{{u"ok"_qs, true}, {u"qrcode"_qs, c.code}}).toJson()));
        view->paymentSheet()->wayButtons()[1]->click();
        CommerceWorld::waitUntil([this] { return !pay().paying && !pay().quibexQrImage.isNull(); });
        EXPECT_EQ(pay().quibexQr, WxCode(c.code));
        EXPECT_EQ(decoded(*view->paymentSheet()->wxQr()), QStringList{c.decodes}) << c.code.toStdString();
        clickClose(*view->paymentSheet());
        deliverPostedEvents();
    }
}

TEST_F(PurchaseTest, PreloadedWeChatImageIsUsedWithoutAsking)
{
    const auto preloaded = QString::fromLatin1(QrImage::encodePng(u"preloaded code"_qs).toBase64());
    world.service.setOverride(QStringLiteral("/api/pay/create_quibex_qr"),
                              answerOnce(200,
                                         QJsonDocument(QJsonObject{{u"ok"_qs, true},
                                                                   {u"qrcode"_qs, QJsonValue(u"x"_qs)},
                                                                   {u"qr_b64"_qs, QJsonValue(preloaded)}})
                                             .toJson()));
    open();
    buy(u"Special"_qs);
    CommerceWorld::waitUntil([this] { return !pay().preloadedWxImage.isNull(); });
    world.service.clearRequests();
    view->paymentSheet()->wayButtons()[1]->click();
    EXPECT_EQ(pay().quibexQr, WxCode(PreloadedWxCode{}));
    EXPECT_FALSE(pay().paying);
    EXPECT_TRUE(world.service.requestsTo(QStringLiteral("/api/pay/create_quibex_qr")).isEmpty());
    EXPECT_EQ(decoded(*view->paymentSheet()->wxQr()), QStringList{u"preloaded code"_qs});

    // A preload image with a line break inside is no image.
    const QString broken = preloaded.left(20) + u"\n"_qs + preloaded.mid(20);
    world.service.setOverride(
        QStringLiteral("/api/pay/create_quibex_qr"),
        answerOnce(200, QJsonDocument(QJsonObject{{u"ok"_qs, true}, {u"qr_b64"_qs, broken}}).toJson()));
    clickClose(*view->paymentSheet());
    deliverPostedEvents();
    buy(u"Special"_qs);
    EXPECT_EQ(world.service.requestsTo(QStringLiteral("/api/pay/create_quibex_qr")).size(), 1);
    EXPECT_TRUE(pay().preloadedWxImage.isNull());
}

TEST_F(PurchaseTest, UsdtWayCopiesTheAddress)
{
    open();
    buy(u"Special"_qs);
    auto* sheet = view->paymentSheet();
    sheet->wayButtons()[2]->click();
    EXPECT_EQ(sheet->wayContent()->currentIndex(), 2);
    EXPECT_EQ(sheet->usdtAmount()->text(), u"应转：13.89 USDT"_qs);
    EXPECT_EQ(decoded(*sheet->usdtQr()), QStringList{u"TQn9Y2khEsLJW1ChVWFMSMeRDow5KcbLSE"_qs});
    QGuiApplication::clipboard()->setText(u"something else"_qs);
    sheet->copyAddress()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"TQn9Y2khEsLJW1ChVWFMSMeRDow5KcbLSE"_qs);

    // Without an address or amount: an empty address is copied, the amount reads 0.00.
    world.service.setOverride(QStringLiteral("/api/order/create"), answerOnce(200, R"({"ok":true,"order_id":77})"));
    clickClose(*sheet);
    deliverPostedEvents();
    buy(u"Special"_qs);
    sheet = view->paymentSheet();
    sheet->wayButtons()[2]->click();
    EXPECT_EQ(sheet->usdtAmount()->text(), u"应转：0.00 USDT"_qs);
    sheet->copyAddress()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
    EXPECT_EQ(sheet->amount()->text(), u"¥0.00"_qs);
    sheet->wayButtons()[1]->click();
    EXPECT_EQ(sheet->transferLine()->text(), u"或转账到微信："_qs);
    EXPECT_EQ(sheet->wxStates()->currentIndex(), 2);
    sheet->generateWx()->click();
    EXPECT_FALSE(pay().paying);
}

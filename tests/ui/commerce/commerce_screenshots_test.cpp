// Every state of the commerce sheets in the three languages and the dark appearance, rendered to PNG for a person to
// look at (build/screenshots/commerce_*.png).
#include "purchase_fixture.h"
#include "scoped_appearance.h"

#include "support/screenshot.h"
#include "ui/commerce/converter_view.h"
#include "ui/commerce/subscription_view.h"
#include "ui/common/button.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkReply>
#include <QPlainTextEdit>

namespace {

void shoot(QWidget* widget, const QString& state, const char* language)
{
    ASSERT_TRUE(widget);
    EXPECT_FALSE(saveScreenshot(*widget, u"commerce_"_qs + state + u'_' + QLatin1String(language)).isEmpty())
        << state.toStdString();
}

} // namespace

class CommerceScreenshots : public PurchaseTest {};

TEST_F(CommerceScreenshots, PurchaseStates)
{
    for (const auto& [language, appearance, name] : kLooks) {
        ScopedLanguage scope(language);
        ScopedAppearance look(appearance);
        world.service.setOverride(QStringLiteral("/api/plans"), slowOnce(std::chrono::milliseconds(1500)));
        view = new PurchaseView(world.services(), nullptr);
        view->open();
        shoot(view, u"purchase_loading"_qs, name);
        CommerceWorld::waitUntil([this] { return !view->isLoading(); });
        shoot(view, u"purchase_list"_qs, name);

        view->couponToggle()->click();
        view->couponField()->setText(u"WELCOME15"_qs);
        view->validateButton()->click();
        CommerceWorld::waitUntil([this] { return !view->isCouponValidating(); });
        shoot(view, u"purchase_coupon_accepted"_qs, name);
        view->couponField()->setText(u"NOPE"_qs);
        view->validateButton()->click();
        CommerceWorld::waitUntil([this] { return !view->isCouponValidating(); });
        shoot(view, u"purchase_coupon_refused"_qs, name);
        view->couponField()->clear();

        world.service.setOverride(QStringLiteral("/api/order/create"), slowOnce(std::chrono::milliseconds(1500)));
        row(u"标准版(月付)"_qs)->click();
        shoot(view->paymentSheet(), u"pay_creating"_qs, name);
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        shoot(view->paymentSheet(), u"pay_alipay"_qs, name);
        view->paymentSheet()->wayButtons()[1]->click();
        CommerceWorld::waitUntil([this] { return !pay().quibexQrImage.isNull(); });
        shoot(view->paymentSheet(), u"pay_wechat_code"_qs, name);
        world.service.setOverride(QStringLiteral("/api/pay/create_quibex_qr"), answerOnce(200, R"({"ok":false})"));
        view->paymentSheet()->wayButtons()[0]->click();
        view->paymentSheet()->wayButtons()[1]->click();
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        shoot(view->paymentSheet(), u"pay_wechat_generate"_qs, name);
        view->paymentSheet()->wayButtons()[2]->click();
        shoot(view->paymentSheet(), u"pay_usdt"_qs, name);
        clickClose(*view->paymentSheet());
        deliverPostedEvents();

        // An order without images: Alipay waits for its code; WeChat's code at a slow address.
        world.service.setOverride(
            QStringLiteral("/api/order/create"),
            answerOnce(200, R"({"ok":true,"order_id":9001,"out_trade_no":"VM9001","amount":29.9})"));
        row(u"标准版(月付)"_qs)->click();
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        waitForReplies();
        shoot(view->paymentSheet(), u"pay_alipay_no_code"_qs, name);
        const QString slowImage = world.service.baseUrl(world.port) + u"/qr/slow.png"_qs;
        world.service.setOverride(QStringLiteral("/qr/slow.png"), slowOnce(std::chrono::milliseconds(1500)));
        world.service.setOverride(
            QStringLiteral("/api/pay/create_quibex_qr"),
            answerOnce(200, QJsonDocument(QJsonObject{{u"ok"_qs, true}, {u"qrcode"_qs, slowImage}}).toJson()));
        view->paymentSheet()->wayButtons()[1]->click();
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        shoot(view->paymentSheet(), u"pay_wechat_fetching"_qs, name);
        waitForReplies();
        clickClose(*view->paymentSheet());

        world.service.setOverride(QStringLiteral("/api/order/create"), answerOnce(200, R"({"ok":false})"));
        row(u"Special"_qs)->click();
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        shoot(view->paymentSheet(), u"pay_refused"_qs, name);
        clickClose(*view->paymentSheet());
        deliverPostedEvents();

        // The service closes the order while its sheet shows: the message stays on the list.
        row(u"Special"_qs)->click();
        CommerceWorld::waitUntil([this] { return !pay().paying; });
        waitForReplies();
        world.service.setOverride(QStringLiteral("/api/order/status"),
                                  answerOnce(200, R"({"ok":true,"status":"closed"})"));
        world.beat->fire();
        CommerceWorld::waitUntil([this] { return view->orderNote().has_value(); });
        waitForReplies();
        shoot(view, u"purchase_order_closed"_qs, name);

        row(u"体验版"_qs)->click();
        CommerceWorld::waitUntil([this] { return view->successAlert() != nullptr; });
        shoot(view->successAlert(), u"purchase_success"_qs, name);
        delete view;
        deliverPostedEvents();

        world.service.setOverride(QStringLiteral("/api/plans"), answerOnce(500, "<html>"));
        view = new PurchaseView(world.services(), nullptr);
        view->open();
        CommerceWorld::waitUntil([this] { return !view->isLoading(); });
        shoot(view, u"purchase_failed"_qs, name);
        delete view;
        deliverPostedEvents();
    }
}

TEST_F(CommerceScreenshots, SubscriptionStates)
{
    for (const auto& [language, appearance, name] : kLooks) {
        ScopedLanguage scope(language);
        ScopedAppearance look(appearance);
        world.service.setOverride(QStringLiteral("/api/me"), slowOnce(std::chrono::milliseconds(1500)));
        QPointer<SubscriptionView> sheet = new SubscriptionView(world.services(), nullptr);
        sheet->open();
        shoot(sheet, u"subscription_loading"_qs, name);
        CommerceWorld::waitUntil([&] { return !sheet->isLoading(); });
        sheet->copyUrlButton()->click();
        shoot(sheet, u"subscription_content"_qs, name);
        delete sheet;

        world.service.setOverride(QStringLiteral("/api/me"), answerOnce(200, R"({"uuid":""})"));
        world.service.setOverride(QStringLiteral("/api/subscription"), answerOnce(500, "<html>error</html>"));
        sheet = new SubscriptionView(world.services(), nullptr);
        sheet->open();
        CommerceWorld::waitUntil([&] { return !sheet->isLoading(); });
        shoot(sheet, u"subscription_nothing"_qs, name);
        delete sheet;

        world.service.setOverride(QStringLiteral("/api/me"), answerOnce(200, "<html>"));
        sheet = new SubscriptionView(world.services(), nullptr);
        sheet->open();
        CommerceWorld::waitUntil([&] { return !sheet->isLoading(); });
        shoot(sheet, u"subscription_failed"_qs, name);
        delete sheet;
        deliverPostedEvents();
    }
}

TEST_F(CommerceScreenshots, ConverterStates)
{
    for (const auto& [language, appearance, name] : kLooks) {
        ScopedLanguage scope(language);
        ScopedAppearance look(appearance);
        QPointer<ConverterView> sheet = new ConverterView(world.services(), nullptr);
        sheet->open();
        shoot(sheet, u"converter_empty"_qs, name);
        sheet->linkEditor()->setPlainText(u"https://sub.example/api/sub/abc"_qs);
        world.service.setOverride(QStringLiteral("/api/convert"), slowOnce(std::chrono::milliseconds(1500)));
        sheet->convertButton()->click();
        shoot(sheet, u"converter_converting"_qs, name);
        CommerceWorld::waitUntil([&] { return !sheet->isLoading(); });
        shoot(sheet, u"converter_result"_qs, name);
        sheet->viewButton()->click();
        shoot(sheet->preview(), u"converter_preview"_qs, name);
        sheet->preview()->close();

        world.service.setOverride(QStringLiteral("/api/convert"),
                                  answerOnce(400, R"({"ok":false,"error":"订阅链接无效"})"));
        sheet->convertButton()->click();
        CommerceWorld::waitUntil([&] { return !sheet->isLoading(); });
        shoot(sheet, u"converter_error"_qs, name);
        delete sheet;
        deliverPostedEvents();
    }
}

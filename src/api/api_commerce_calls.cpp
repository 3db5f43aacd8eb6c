// Plans, coupons, orders and payment codes.
#include "api/api_service.h"

#include "api/answer_json.h"

QCoro::Task<QList<Plan>> ApiService::fetchPlans()
{
    co_return AnswerJson::okDataList<Plan>(co_await get(QStringLiteral("/api/plans")));
}

QCoro::Task<ApiService::CouponCheck> ApiService::validateCoupon(QString code, std::optional<QString> planName)
{
    QJsonObject body{{QStringLiteral("code"), code}};
    if (planName && !planName->isEmpty())
        body.insert(QStringLiteral("plan_name"), *planName);
    const auto json = JsonReader::parse(co_await post(QStringLiteral("/api/coupon/validate"), body));
    const auto object = json.toObject();
    if (AnswerJson::isOk(json)) {
        // An accepted code must come with its coupon: a missing or odd "coupon" throws.
        const auto coupon
            = object.contains(QLatin1String("coupon")) ? object.value(QLatin1String("coupon")) : QJsonObject();
        co_return CouponCheck{true, CouponInfo::fromJson(coupon), std::nullopt};
    }
    co_return CouponCheck{
        false, std::nullopt,
        AnswerJson::stringMember(object, QStringLiteral("msg")).value_or(QStringLiteral("优惠码无效"))};
}

QCoro::Task<OrderCreateResult> ApiService::createOrder(QString planName, std::optional<QString> couponCode)
{
    QJsonObject body{{QStringLiteral("plan_name"), planName}};
    if (couponCode && !couponCode->isEmpty())
        body.insert(QStringLiteral("coupon_code"), *couponCode);
    co_return AnswerJson::decodeRecord<OrderCreateResult>(co_await post(QStringLiteral("/api/order/create"), body));
}

QCoro::Task<OrderStatusResult> ApiService::fetchOrderStatus(qint64 orderId)
{
    const QString path = QStringLiteral("/api/order/status?order_id=") + QString::number(orderId);
    co_return AnswerJson::decodeRecord<OrderStatusResult>(co_await get(path));
}

QCoro::Task<ApiService::QuibexQr> ApiService::createQuibexQr(QString outTradeNo, QString type)
{
    const QJsonObject body{{QStringLiteral("out_trade_no"), outTradeNo}, {QStringLiteral("type"), type}};
    const auto json = JsonReader::parse(co_await post(QStringLiteral("/api/pay/create_quibex_qr"), body));
    const auto object = json.toObject();
    if (!AnswerJson::isOk(json))
        co_return QuibexQr{};
    co_return QuibexQr{AnswerJson::stringMember(object, QStringLiteral("qrcode")),
                       AnswerJson::stringMember(object, QStringLiteral("qr_b64"))};
}

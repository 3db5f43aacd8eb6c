// Plans, coupons, orders and payment codes.
#include "stand_in_routes.h"

#include <QDate>

#include <cmath>

namespace {

double money(double amount) { return std::round(amount * 100.0) / 100.0; }

// Why the coupon cannot be used for that plan (an empty plan name fits every plan), or nothing.
std::optional<QString> couponProblem(const StandInState::Coupon* coupon, const QString& planName)
{
    if (!coupon)
        return QStringLiteral("优惠码不存在");
    if (coupon->expired || coupon->left <= 0)
        return QStringLiteral("优惠码已过期");
    if (!planName.isEmpty() && !coupon->plans.isEmpty() && !coupon->plans.contains(planName))
        return QStringLiteral("该优惠码不适用于所选套餐");
    return std::nullopt;
}

QString alipayCode(const QString& outTradeNo)
{
    return QStringLiteral("https://qr.alipay.com/bax0") + outTradeNo.right(8);
}

HttpResponse plans(RouteContext& context) { return okAnswer({{QStringLiteral("data"), context.state.plans}}); }

HttpResponse validateCoupon(RouteContext& context)
{
    const auto code = bodyText(context, "code").trimmed();
    if (code.isEmpty())
        return refusal(400, QStringLiteral("请输入优惠码"));
    const auto* coupon = context.state.findCoupon(code);
    if (const auto problem = couponProblem(coupon, bodyText(context, "plan_name")))
        return refusal(200, *problem);
    QJsonObject info{{QStringLiteral("code"), coupon->code}, {QStringLiteral("left"), coupon->left}};
    if (coupon->discountPct)
        info.insert(QStringLiteral("discount_pct"), *coupon->discountPct);
    if (coupon->discountLabel)
        info.insert(QStringLiteral("discount_label"), *coupon->discountLabel);
    return okAnswer({{QStringLiteral("coupon"), info}});
}

HttpResponse createOrder(RouteContext& context)
{
    auto& state = context.state;
    const auto planName = bodyText(context, "plan_name");
    const auto plan = state.findPlan(planName);
    if (!plan)
        return refusal(400, QStringLiteral("套餐不存在"));
    const double price = plan->value(QLatin1String("price")).toDouble();
    qint64 discount = 0;
    if (const auto code = bodyText(context, "coupon_code").trimmed(); !code.isEmpty()) {
        auto* coupon = state.findCoupon(code);
        if (couponProblem(coupon, planName))
            return refusal(400, QStringLiteral("优惠码无效"));
        discount = coupon->discountPct.value_or(0);
        coupon->left -= 1;
    }

    StandInState::Order order;
    order.id = state.nextId++;
    order.planName = planName;
    order.amount = money(price * double(100 - discount) / 100.0);
    if (order.amount <= 0) {
        order.status = QStringLiteral("activated");
        state.orders.append(order);
        state.activatePlan(planName);
        return okAnswer({
            {QStringLiteral("order_id"), order.id},
            {QStringLiteral("amount"), 0},
            {QStringLiteral("status"), order.status},
            {QStringLiteral("msg"), QStringLiteral("套餐已开通")},
        });
    }
    order.status = QStringLiteral("pending");
    order.outTradeNo
        = QStringLiteral("VM") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QString::number(order.id);
    state.orders.append(order);
    QJsonObject answer{
        {QStringLiteral("order_id"), order.id},
        {QStringLiteral("out_trade_no"), order.outTradeNo},
        {QStringLiteral("amount"), order.amount},
        {QStringLiteral("original_amount"), price},
        {QStringLiteral("pay_url"), QString(context.baseUrl + QStringLiteral("/pay/") + order.outTradeNo)},
        {QStringLiteral("usdt_address"), QStringLiteral("TQn9Y2khEsLJW1ChVWFMSMeRDow5KcbLSE")},
        {QStringLiteral("usdt_amount"), money(order.amount / 7.2)},
        {QStringLiteral("status"), order.status},
    };
    if (discount > 0)
        answer.insert(QStringLiteral("discount_pct"), discount);
    if (state.qrImage) {
        auto image = [&](const QString& text) { return QString::fromLatin1(state.qrImage(text).toBase64()); };
        answer.insert(QStringLiteral("qr_b64"), image(alipayCode(order.outTradeNo)));
        answer.insert(QStringLiteral("usdt_qr_b64"), image(answer.value(QLatin1String("usdt_address")).toString()));
    }
    return okAnswer(answer);
}

HttpResponse orderStatus(RouteContext& context)
{
    auto& state = context.state;
    bool isNumber = false;
    const auto id = context.request.queryItem(QStringLiteral("order_id")).toLongLong(&isNumber);
    if (!isNumber)
        return refusal(400, QStringLiteral("订单号无效"));
    auto* order = state.findOrder(id);
    if (!order)
        return refusal(404, QStringLiteral("订单不存在"));
    // The payment arrives after a few polls, as it would while the user scans the code.
    if (order->status == QLatin1String("pending") && ++order->polls >= state.pollsUntilPaid) {
        order->status = QStringLiteral("paid");
        state.activatePlan(order->planName);
    }
    return okAnswer({
        {QStringLiteral("status"), order->status},
        {QStringLiteral("plan_name"), order->planName},
        {QStringLiteral("amount"), order->amount},
    });
}

HttpResponse createQuibexQr(RouteContext& context)
{
    const auto tradeNo = bodyText(context, "out_trade_no");
    const auto type = bodyText(context, "type");
    const auto* order = context.state.findOrderByTradeNo(tradeNo);
    if (!order)
        return refusal(404, QStringLiteral("订单不存在"));
    if (order->status != QLatin1String("pending"))
        return refusal(409, QStringLiteral("订单已支付或已关闭"));
    if (type == QLatin1String("wxpay"))
        return okAnswer(
            {{QStringLiteral("qrcode"), QString(QStringLiteral("weixin://wxpay/bizpayurl?pr=") + tradeNo.right(8))}});
    if (type == QLatin1String("alipay"))
        return okAnswer({{QStringLiteral("qrcode"), alipayCode(tradeNo)}});
    return refusal(400, QStringLiteral("不支持的支付方式"));
}

} // namespace

QList<Route> commerceRoutes()
{
    return {
        {"GET", QStringLiteral("/api/plans"), false, plans},
        {"POST", QStringLiteral("/api/coupon/validate"), true, validateCoupon},
        {"POST", QStringLiteral("/api/order/create"), true, createOrder},
        {"GET", QStringLiteral("/api/order/status"), true, orderStatus},
        {"POST", QStringLiteral("/api/pay/create_quibex_qr"), true, createQuibexQr},
    };
}

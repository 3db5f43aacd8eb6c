#include "payment_rules.h"

#include "platform/text_format.h"

#include <cmath>

namespace PaymentRules {

OrderOutcome classifyOrder(const OrderCreateResult& result)
{
    if (!result.ok)
        return OrderOutcome::refused;
    return result.status == QStringLiteral("activated") ? OrderOutcome::activated : OrderOutcome::payable;
}

StatusVerdict classifyStatus(const std::optional<QString>& status)
{
    if (status == QStringLiteral("paid") || status == QStringLiteral("completed"))
        return StatusVerdict::paid;
    if (status == QStringLiteral("closed"))
        return StatusVerdict::closed;
    return StatusVerdict::pending;
}

QString couponBadge(const CouponInfo& coupon)
{
    if (coupon.discount_label)
        return *coupon.discount_label;
    return QString::number(coupon.discount_pct.value_or(0)) + QStringLiteral("%OFF");
}

QString twoDecimals(double amount)
{
    return std::isfinite(amount) ? i18n::format(QStringLiteral("%.2f"), amount) : QStringLiteral("—");
}

QString money(double amount) { return QStringLiteral("¥") + twoDecimals(amount); }

QString listPrice(double amount)
{
    const auto text = std::isfinite(amount) ? i18n::format(QStringLiteral("%.0f"), amount) : QStringLiteral("—");
    return QStringLiteral("原价 ¥") + text;
}

bool showsListPrice(const OrderCreateResult& order)
{
    return order.original_amount && *order.original_amount > order.amount.value_or(0);
}

std::optional<QByteArray> strictBase64(const QString& text)
{
    if (text.isEmpty() || text.size() % 4 != 0)
        return std::nullopt;
    const auto padding = text.endsWith(QLatin1String("==")) ? 2 : text.endsWith(QLatin1Char('=')) ? 1 : 0;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        const auto c = text.at(i).unicode();
        const bool alphabet
            = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (!alphabet)
            return std::nullopt;
    }
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    // Pad bits that are not zero would be dropped unseen: only the one standard text of the bytes
    // is taken.
    if (!decoded || decoded.decoded.toBase64() != text.toLatin1())
        return std::nullopt;
    return *decoded;
}

} // namespace PaymentRules

#pragma once

#include "api/records/commerce_records.h"
#include "api/records/plan_records.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The purchase flow's rules: what an order answer and a status answer mean, the coupon badge,
// money texts and the strict Base64 of payment images. Pure functions.
namespace PaymentRules {

// What the order creation's answer asks for.
enum class OrderOutcome {
    activated, // "ok" and status "activated": opened without payment
    payable, // "ok" with any other status: show the payment sheet and poll
    refused, // not "ok"
};
OrderOutcome classifyOrder(const OrderCreateResult& result);

// What one status answer of the poll means; the comparison is exact.
enum class StatusVerdict {
    paid, // "paid" or "completed"
    closed, // "closed"
    pending, // anything else, or none: keep polling
};
StatusVerdict classifyStatus(const std::optional<QString>& status);

// The discount badge: the label when present (even empty), else the percentage and "%OFF".
QString couponBadge(const CouponInfo& coupon);

// "¥12.30", or "¥—" for a number that is not finite.
QString money(double amount);
// "原价 ¥100": the list price without decimals.
QString listPrice(double amount);
// The list price is shown only above the amount to pay (an absent amount counts as 0).
bool showsListPrice(const OrderCreateResult& order);
// "12.30 USDT"-style number with two decimals, or "—".
QString twoDecimals(double amount);

// Standard Base64 (RFC 4648) with padding and nothing ignored: a text with line breaks, white
// space or other stray characters, or with pad bits that are not zero, does not decode. Absent for an empty or invalid text.
std::optional<QByteArray> strictBase64(const QString& text);

} // namespace PaymentRules

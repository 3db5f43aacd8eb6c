#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// A coupon as the coupon check describes it.
struct CouponInfo {
    QString code;
    std::optional<qint64> discount_pct; // percent
    std::optional<QString> discount_label; // display text; absent: the percentage and "%OFF"
    std::optional<qint64> left; // remaining count

    static CouponInfo fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of the subscription conversion; every field may be absent.
struct ConvertResponse {
    std::optional<QString> config; // the converted configuration text
    std::optional<qint64> count; // nodes in it
    std::optional<QString> format;
    std::optional<QString> source;
    std::optional<QString> error; // the service's reason for a refusal

    static ConvertResponse fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// One plan of the price list; identity id, which may be absent.
struct Plan {
    std::optional<qint64> id;
    QString name; // also the plan's key in "plan_name" of the coupon and order calls
    double traffic = 0; // gigabytes
    double price = 0;
    qint64 nodes = 0;
    qint64 devices = 0;
    std::optional<QString> tag;
    std::optional<QString> period; // "month", "quarter", "semiannual", "year" or other
    std::optional<QString> features;

    static Plan fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of the order creation; "ok" false decodes too.
struct OrderCreateResult {
    bool ok = false;
    std::optional<qint64> order_id;
    std::optional<QString> out_trade_no;
    std::optional<double> amount;
    std::optional<double> original_amount; // before the coupon discount
    std::optional<qint64> discount_pct;
    std::optional<QString> qr_b64; // payment QR image, base64
    std::optional<QString> pay_url;
    std::optional<QString> usdt_address; // TRC20
    std::optional<double> usdt_amount;
    std::optional<QString> usdt_qr_b64;
    std::optional<QString> msg;
    std::optional<QString> status; // "activated": a free plan opened at once, no payment follows

    static OrderCreateResult fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

// The answer of the order status query.
struct OrderStatusResult {
    bool ok = false;
    std::optional<QString> status; // "paid" or "completed" end the wait with success, "closed" as closed
    std::optional<QString> plan_name;
    std::optional<double> amount;
    std::optional<QString> msg;

    static OrderStatusResult fromJson(const QJsonValue& value);
    QByteArray toJson() const;
};

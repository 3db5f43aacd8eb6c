#include "plan_records.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

Plan Plan::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("Plan"));
    return {
        .id = json.optionalInt(QStringLiteral("id")),
        .name = json.requiredString(QStringLiteral("name")),
        .traffic = json.requiredDouble(QStringLiteral("traffic")),
        .price = json.requiredDouble(QStringLiteral("price")),
        .nodes = json.requiredInt(QStringLiteral("nodes")),
        .devices = json.requiredInt(QStringLiteral("devices")),
        .tag = json.optionalString(QStringLiteral("tag")),
        .period = json.optionalString(QStringLiteral("period")),
        .features = json.optionalString(QStringLiteral("features")),
    };
}

QByteArray Plan::toJson() const
{
    return OrderedJsonWriter()
        .addOptional(QStringLiteral("id"), id)
        .add(QStringLiteral("name"), name)
        .add(QStringLiteral("traffic"), traffic)
        .add(QStringLiteral("price"), price)
        .add(QStringLiteral("nodes"), nodes)
        .add(QStringLiteral("devices"), devices)
        .addOptional(QStringLiteral("tag"), tag)
        .addOptional(QStringLiteral("period"), period)
        .addOptional(QStringLiteral("features"), features)
        .toJson();
}

OrderCreateResult OrderCreateResult::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("OrderCreateResult"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .order_id = json.optionalInt(QStringLiteral("order_id")),
        .out_trade_no = json.optionalString(QStringLiteral("out_trade_no")),
        .amount = json.optionalDouble(QStringLiteral("amount")),
        .original_amount = json.optionalDouble(QStringLiteral("original_amount")),
        .discount_pct = json.optionalInt(QStringLiteral("discount_pct")),
        .qr_b64 = json.optionalString(QStringLiteral("qr_b64")),
        .pay_url = json.optionalString(QStringLiteral("pay_url")),
        .usdt_address = json.optionalString(QStringLiteral("usdt_address")),
        .usdt_amount = json.optionalDouble(QStringLiteral("usdt_amount")),
        .usdt_qr_b64 = json.optionalString(QStringLiteral("usdt_qr_b64")),
        .msg = json.optionalString(QStringLiteral("msg")),
        .status = json.optionalString(QStringLiteral("status")),
    };
}

QByteArray OrderCreateResult::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("ok"), ok)
        .addOptional(QStringLiteral("order_id"), order_id)
        .addOptional(QStringLiteral("out_trade_no"), out_trade_no)
        .addOptional(QStringLiteral("amount"), amount)
        .addOptional(QStringLiteral("original_amount"), original_amount)
        .addOptional(QStringLiteral("discount_pct"), discount_pct)
        .addOptional(QStringLiteral("qr_b64"), qr_b64)
        .addOptional(QStringLiteral("pay_url"), pay_url)
        .addOptional(QStringLiteral("usdt_address"), usdt_address)
        .addOptional(QStringLiteral("usdt_amount"), usdt_amount)
        .addOptional(QStringLiteral("usdt_qr_b64"), usdt_qr_b64)
        .addOptional(QStringLiteral("msg"), msg)
        .addOptional(QStringLiteral("status"), status)
        .toJson();
}

OrderStatusResult OrderStatusResult::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("OrderStatusResult"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .status = json.optionalString(QStringLiteral("status")),
        .plan_name = json.optionalString(QStringLiteral("plan_name")),
        .amount = json.optionalDouble(QStringLiteral("amount")),
        .msg = json.optionalString(QStringLiteral("msg")),
    };
}

QByteArray OrderStatusResult::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("ok"), ok)
        .addOptional(QStringLiteral("status"), status)
        .addOptional(QStringLiteral("plan_name"), plan_name)
        .addOptional(QStringLiteral("amount"), amount)
        .addOptional(QStringLiteral("msg"), msg)
        .toJson();
}

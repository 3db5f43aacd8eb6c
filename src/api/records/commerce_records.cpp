#include "commerce_records.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

CouponInfo CouponInfo::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("CouponInfo"));
    return {
        .code = json.requiredString(QStringLiteral("code")),
        .discount_pct = json.optionalInt(QStringLiteral("discount_pct")),
        .discount_label = json.optionalString(QStringLiteral("discount_label")),
        .left = json.optionalInt(QStringLiteral("left")),
    };
}

QByteArray CouponInfo::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("code"), code)
        .addOptional(QStringLiteral("discount_pct"), discount_pct)
        .addOptional(QStringLiteral("discount_label"), discount_label)
        .addOptional(QStringLiteral("left"), left)
        .toJson();
}

ConvertResponse ConvertResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("ConvertResponse"));
    return {
        .config = json.optionalString(QStringLiteral("config")),
        .count = json.optionalInt(QStringLiteral("count")),
        .format = json.optionalString(QStringLiteral("format")),
        .source = json.optionalString(QStringLiteral("source")),
        .error = json.optionalString(QStringLiteral("error")),
    };
}

QByteArray ConvertResponse::toJson() const
{
    return OrderedJsonWriter()
        .addOptional(QStringLiteral("config"), config)
        .addOptional(QStringLiteral("count"), count)
        .addOptional(QStringLiteral("format"), format)
        .addOptional(QStringLiteral("source"), source)
        .addOptional(QStringLiteral("error"), error)
        .toJson();
}

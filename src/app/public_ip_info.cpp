#include "public_ip_info.h"

#include "api/records/json_reader.h"
#include "api/records/ordered_json_writer.h"

#include <QStringList>

QString PublicIPInfo::locationText() const
{
    QStringList parts;
    for (const auto* part : {&city, &region, &country}) {
        if (*part && !(*part)->isEmpty())
            parts.append(**part);
    }
    return parts.join(QStringLiteral(" \u00B7 "));
}

PublicIPInfo PublicIPInfo::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("PublicIPInfo"));
    return {json.requiredString(QStringLiteral("ip")), json.optionalString(QStringLiteral("city")),
            json.optionalString(QStringLiteral("region")), json.optionalString(QStringLiteral("country"))};
}

QByteArray PublicIPInfo::toJson() const
{
    OrderedJsonWriter writer;
    writer.add(QStringLiteral("ip"), ip)
        .addOptional(QStringLiteral("city"), city)
        .addOptional(QStringLiteral("region"), region)
        .addOptional(QStringLiteral("country"), country);
    return writer.toJson();
}

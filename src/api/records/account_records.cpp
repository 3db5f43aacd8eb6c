#include "account_records.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

UserProfileResponse UserProfileResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("UserProfileResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .email = json.optionalString(QStringLiteral("email")),
        .name = json.optionalString(QStringLiteral("name")),
        .plan = json.optionalString(QStringLiteral("plan")),
        .expire = json.optionalString(QStringLiteral("expire")),
        .trafficTotal = json.optionalDouble(QStringLiteral("traffic_total")),
        .trafficUsed = json.optionalDouble(QStringLiteral("traffic_used")),
        .inviteCode = json.optionalString(QStringLiteral("invite_code")),
        .commission = json.optionalDouble(QStringLiteral("commission")),
        .msg = json.optionalString(QStringLiteral("msg")),
    };
}

QByteArray UserProfileResponse::toJson() const
{
    // The service's key order puts "msg" before the traffic figures.
    return OrderedJsonWriter()
        .add(QStringLiteral("ok"), ok)
        .addOptional(QStringLiteral("email"), email)
        .addOptional(QStringLiteral("name"), name)
        .addOptional(QStringLiteral("plan"), plan)
        .addOptional(QStringLiteral("expire"), expire)
        .addOptional(QStringLiteral("msg"), msg)
        .addOptional(QStringLiteral("traffic_total"), trafficTotal)
        .addOptional(QStringLiteral("traffic_used"), trafficUsed)
        .addOptional(QStringLiteral("invite_code"), inviteCode)
        .addOptional(QStringLiteral("commission"), commission)
        .toJson();
}

AppVersionResponse AppVersionResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("AppVersionResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .version = json.optionalString(QStringLiteral("version")),
        .downloadUrl = json.optionalString(QStringLiteral("url")),
        .force = json.optionalBool(QStringLiteral("force")),
    };
}

QByteArray AppVersionResponse::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("ok"), ok)
        .addOptional(QStringLiteral("version"), version)
        .addOptional(QStringLiteral("force"), force)
        .addOptional(QStringLiteral("url"), downloadUrl)
        .toJson();
}

Announcement Announcement::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("Announcement"));
    return {
        .id = json.requiredInt(QStringLiteral("id")),
        .title = json.requiredString(QStringLiteral("title")),
        .content = json.requiredString(QStringLiteral("content")),
        .createdAt = json.requiredString(QStringLiteral("created_at")),
    };
}

QByteArray Announcement::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .add(QStringLiteral("title"), title)
        .add(QStringLiteral("content"), content)
        .add(QStringLiteral("created_at"), createdAt)
        .toJson();
}

AnnouncementsResponse AnnouncementsResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("AnnouncementsResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .data = json.optionalList<Announcement>(QStringLiteral("data")),
    };
}

QByteArray AnnouncementsResponse::toJson() const
{
    return OrderedJsonWriter().add(QStringLiteral("ok"), ok).addOptional(QStringLiteral("data"), data).toJson();
}

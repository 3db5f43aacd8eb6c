#include "ticket_records.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

Ticket Ticket::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("Ticket"));
    return {
        .id = json.requiredInt(QStringLiteral("id")),
        .subject = json.requiredString(QStringLiteral("subject")),
        .last_msg = json.requiredString(QStringLiteral("last_msg")),
        .status = json.requiredString(QStringLiteral("status")),
        .created_at = json.requiredString(QStringLiteral("created_at")),
        .updated_at = json.requiredString(QStringLiteral("updated_at")),
        .creator_name = json.optionalString(QStringLiteral("creator_name")),
    };
}

QByteArray Ticket::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .add(QStringLiteral("subject"), subject)
        .add(QStringLiteral("last_msg"), last_msg)
        .add(QStringLiteral("status"), status)
        .add(QStringLiteral("created_at"), created_at)
        .add(QStringLiteral("updated_at"), updated_at)
        .addOptional(QStringLiteral("creator_name"), creator_name)
        .toJson();
}

TicketMessage TicketMessage::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("TicketMessage"));
    return {
        .id = json.requiredInt(QStringLiteral("id")),
        .ticket_id = json.requiredInt(QStringLiteral("ticket_id")),
        .user_id = json.requiredInt(QStringLiteral("user_id")),
        .content = json.requiredString(QStringLiteral("content")),
        .is_admin = json.requiredInt(QStringLiteral("is_admin")),
        .created_at = json.requiredString(QStringLiteral("created_at")),
        .sender_name = json.optionalString(QStringLiteral("sender_name")),
    };
}

QByteArray TicketMessage::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .add(QStringLiteral("ticket_id"), ticket_id)
        .add(QStringLiteral("user_id"), user_id)
        .add(QStringLiteral("content"), content)
        .add(QStringLiteral("is_admin"), is_admin)
        .add(QStringLiteral("created_at"), created_at)
        .addOptional(QStringLiteral("sender_name"), sender_name)
        .toJson();
}

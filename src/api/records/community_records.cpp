#include "community_records.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

#include <atomic>

quint64 InvitedUser::nextId()
{
    static std::atomic<quint64> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

InvitedUser InvitedUser::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("InvitedUser"));
    return {
        .email = json.requiredString(QStringLiteral("email")),
        .created_at = json.requiredString(QStringLiteral("created_at")),
    };
}

QByteArray InvitedUser::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("email"), email)
        .add(QStringLiteral("created_at"), created_at)
        .toJson();
}

CommissionRecord CommissionRecord::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("CommissionRecord"));
    return {
        .id = json.requiredInt(QStringLiteral("id")),
        .plan_name = json.optionalString(QStringLiteral("plan_name")),
        .amount = json.requiredDouble(QStringLiteral("amount")),
        .rate = json.optionalDouble(QStringLiteral("rate")),
        .status = json.optionalString(QStringLiteral("status")),
        .created_at = json.optionalString(QStringLiteral("created_at")),
    };
}

QByteArray CommissionRecord::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .addOptional(QStringLiteral("plan_name"), plan_name)
        .add(QStringLiteral("amount"), amount)
        .addOptional(QStringLiteral("rate"), rate)
        .addOptional(QStringLiteral("status"), status)
        .addOptional(QStringLiteral("created_at"), created_at)
        .toJson();
}

InviteResponse InviteResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("InviteResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .invite_code = json.optionalString(QStringLiteral("invite_code")),
        .invited_count = json.optionalInt(QStringLiteral("invited_count")),
        .commission_total = json.optionalDouble(QStringLiteral("commission_total")),
        .commission_pending = json.optionalDouble(QStringLiteral("commission_pending")),
        .invited_users = json.optionalList<InvitedUser>(QStringLiteral("invited_users")),
        .commissions = json.optionalList<CommissionRecord>(QStringLiteral("commissions")),
    };
}

QByteArray InviteResponse::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("ok"), ok)
        .addOptional(QStringLiteral("invite_code"), invite_code)
        .addOptional(QStringLiteral("invited_count"), invited_count)
        .addOptional(QStringLiteral("commission_total"), commission_total)
        .addOptional(QStringLiteral("commission_pending"), commission_pending)
        .addOptional(QStringLiteral("invited_users"), invited_users)
        .addOptional(QStringLiteral("commissions"), commissions)
        .toJson();
}

WithdrawRecord WithdrawRecord::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("WithdrawRecord"));
    return {
        .id = json.requiredInt(QStringLiteral("id")),
        .amount = json.requiredDouble(QStringLiteral("amount")),
        .status = json.optionalString(QStringLiteral("status")),
        .note = json.optionalString(QStringLiteral("note")),
        .created_at = json.optionalString(QStringLiteral("created_at")),
    };
}

QByteArray WithdrawRecord::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .add(QStringLiteral("amount"), amount)
        .addOptional(QStringLiteral("status"), status)
        .addOptional(QStringLiteral("note"), note)
        .addOptional(QStringLiteral("created_at"), created_at)
        .toJson();
}

TrafficLogEntry TrafficLogEntry::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("TrafficLogEntry"));
    return {
        .date = json.requiredString(QStringLiteral("date")),
        .used = json.requiredDouble(QStringLiteral("used")),
    };
}

QByteArray TrafficLogEntry::toJson() const
{
    return OrderedJsonWriter().add(QStringLiteral("date"), date).add(QStringLiteral("used"), used).toJson();
}

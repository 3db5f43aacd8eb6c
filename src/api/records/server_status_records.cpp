#include "server_status_records.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

ServerStatusData ServerStatusData::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("ServerStatusData"));
    return {
        .xray_running = json.requiredBool(QStringLiteral("xray_running")),
        .xray_uptime = json.requiredString(QStringLiteral("xray_uptime")),
        .xray_cpu = json.requiredInt(QStringLiteral("xray_cpu")),
        .xray_mem = json.requiredInt(QStringLiteral("xray_mem")),
        .panel_running = json.requiredBool(QStringLiteral("panel_running")),
        .server_uptime = json.requiredString(QStringLiteral("server_uptime")),
        .load_avg = json.requiredString(QStringLiteral("load_avg")),
    };
}

QByteArray ServerStatusData::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("xray_running"), xray_running)
        .add(QStringLiteral("xray_uptime"), xray_uptime)
        .add(QStringLiteral("xray_cpu"), xray_cpu)
        .add(QStringLiteral("xray_mem"), xray_mem)
        .add(QStringLiteral("panel_running"), panel_running)
        .add(QStringLiteral("server_uptime"), server_uptime)
        .add(QStringLiteral("load_avg"), load_avg)
        .toJson();
}

ServerStatusResponse ServerStatusResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("ServerStatusResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .data = json.optionalRecord<ServerStatusData>(QStringLiteral("data")),
    };
}

QByteArray ServerStatusResponse::toJson() const
{
    return OrderedJsonWriter().add(QStringLiteral("ok"), ok).addOptional(QStringLiteral("data"), data).toJson();
}

InboundInfo InboundInfo::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("InboundInfo"));
    return {
        .id = json.requiredInt(QStringLiteral("id")),
        .remark = json.requiredString(QStringLiteral("remark")),
        .port = json.requiredInt(QStringLiteral("port")),
        .proto = json.requiredString(QStringLiteral("protocol")),
        .enable = json.requiredBool(QStringLiteral("enable")),
        .up = json.requiredInt(QStringLiteral("up")),
        .down = json.requiredInt(QStringLiteral("down")),
        .total = json.requiredInt(QStringLiteral("total")),
        .tag = json.requiredString(QStringLiteral("tag")),
        .clients = json.requiredInt(QStringLiteral("clients")),
    };
}

QByteArray InboundInfo::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .add(QStringLiteral("remark"), remark)
        .add(QStringLiteral("port"), port)
        .add(QStringLiteral("protocol"), proto)
        .add(QStringLiteral("enable"), enable)
        .add(QStringLiteral("up"), up)
        .add(QStringLiteral("down"), down)
        .add(QStringLiteral("total"), total)
        .add(QStringLiteral("tag"), tag)
        .add(QStringLiteral("clients"), clients)
        .toJson();
}

InboundsResponse InboundsResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("InboundsResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .data = json.optionalList<InboundInfo>(QStringLiteral("data")),
    };
}

QByteArray InboundsResponse::toJson() const
{
    return OrderedJsonWriter().add(QStringLiteral("ok"), ok).addOptional(QStringLiteral("data"), data).toJson();
}

ConnectionsResponse ConnectionsResponse::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("ConnectionsResponse"));
    return {
        .ok = json.requiredBool(QStringLiteral("ok")),
        .data = json.optionalIntMap(QStringLiteral("data")),
    };
}

QByteArray ConnectionsResponse::toJson() const
{
    return OrderedJsonWriter().add(QStringLiteral("ok"), ok).addOptional(QStringLiteral("data"), data).toJson();
}

#include "stats_query.h"

#include "core_stats_api.h"
#include "protobuf_wire.h"

namespace StatsQuery {

std::optional<Totals> parseResponse(const QByteArray& body)
{
    if (body.size() < 5)
        return std::nullopt;
    Totals totals;
    const QByteArray ownTag = QByteArray(">>>") + CoreStatsApi::tag + ">>>";
    ProtobufWire::Reader response(body.mid(5));
    while (response.next()) {
        if (response.field() != 1 || response.type() != ProtobufWire::lengthDelimitedType)
            continue;
        QByteArray name;
        qint64 value = 0;
        ProtobufWire::Reader stat(response.bytes());
        while (stat.next()) {
            if (stat.field() == 1)
                name = stat.bytes();
            else if (stat.field() == 2)
                value = qint64(stat.value());
        }
        if (name.contains(ownTag))
            continue;
        if (name.endsWith(">>>downlink"))
            totals.down += value;
        else if (name.endsWith(">>>uplink"))
            totals.up += value;
    }
    if (!response.ok())
        return std::nullopt;
    return totals;
}

} // namespace StatsQuery

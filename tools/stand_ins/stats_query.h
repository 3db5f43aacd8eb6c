#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// The traffic monitor's side of the core's statistics service: the answer to its counter query.
namespace StatsQuery {

struct Totals {
    qint64 down = 0;
    qint64 up = 0;
};

// Sums the downlink and uplink counters of every outbound except the statistics service's own,
// from a gRPC answer (five bytes of framing, then the protobuf message); none when it is no
// such answer.
std::optional<Totals> parseResponse(const QByteArray& body);

} // namespace StatsQuery

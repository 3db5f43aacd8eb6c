#pragma once

#include "platform/paths.h"

#include <QString>

// What the core wrapper and the traffic-monitor stand-in agree on: the wrapper opens the core's
// statistics service on a loopback port and leaves its address where the monitor finds it by the
// core's process id: in a file of the user's private runtime directory and in the core's
// environment. The core (v2ray holds a file capability) cannot be inspected through /proc by an
// ordinary user, so the file is what the monitor reads first.
namespace CoreStatsApi {
// "127.0.0.1:PORT" in the core's environment.
inline constexpr char addressVariable[] = "VELMORAND_CORE_STATS";
// The file holding "127.0.0.1:PORT" for the core with the process id.
inline QString addressFile(qint64 pid)
{
    return Paths::privateRuntimeDir() + QStringLiteral("/core-") + QString::number(pid) + QStringLiteral(".stats");
}
// Inbound and outbound tag of the statistics service inside the core.
inline constexpr char tag[] = "velmorand-stats";
// The gRPC method that lists counters whose names contain a pattern.
inline constexpr char queryPath[] = "/v2ray.core.app.stats.command.StatsService/QueryStats";
// Counters of every outbound: "outbound>>>TAG>>>traffic>>>downlink" and "…>>>uplink".
inline constexpr char outboundPattern[] = "outbound>>>";
} // namespace CoreStatsApi

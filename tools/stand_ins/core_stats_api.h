#pragma once

// What the core wrapper and the traffic-monitor stand-in agree on: the wrapper opens the core's
// statistics service on a loopback port and leaves its address in the core's environment, where
// the monitor finds it by the core's process id.
namespace CoreStatsApi {
// "127.0.0.1:PORT" in the core's environment.
inline constexpr char addressVariable[] = "VELMORAND_CORE_STATS";
// Inbound and outbound tag of the statistics service inside the core.
inline constexpr char tag[] = "velmorand-stats";
// The gRPC method that lists counters whose names contain a pattern.
inline constexpr char queryPath[] = "/v2ray.core.app.stats.command.StatsService/QueryStats";
// Counters of every outbound: "outbound>>>TAG>>>traffic>>>downlink" and "…>>>uplink".
inline constexpr char outboundPattern[] = "outbound>>>";
} // namespace CoreStatsApi

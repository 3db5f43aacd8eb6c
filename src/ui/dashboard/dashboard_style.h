#pragma once

#include "api/records/connection_state.h"
#include "ui/common/theme.h"

#include <QString>

// The dashboard's rules for colours and state texts.
namespace DashboardStyle {

// A server-reported latency: green below 80 ms, orange up to 199 ms, red from 200 ms.
TextColor latencyColor(qint64 milliseconds);
// Secondary while disconnected, green while connected, orange in between.
TextColor statusColor(ConnectionState state);
// The state light of the compact window and the popover: gray, yellow while connecting, green,
// orange while disconnecting.
TextColor stateLightColor(ConnectionState state);
// The state's text in the interface language.
QString statusText(ConnectionState state);

// Traffic used against the plan's total; a total of zero or less counts as used up once
// anything is used.
double usageRatio(double used, double total);
// Red above 0.8, orange above 0.5, else the accent.
TextColor usageColor(double ratio);

} // namespace DashboardStyle

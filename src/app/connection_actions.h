#pragma once

#include "api/records/node.h"

class AppState;
class SettingsStore;
class VpnConnection;

// What the window's connection controls (the compact window, the menu commands) work with.
struct ConnectionControlServices {
    VpnConnection& connection;
    AppState& appState;
    SettingsStore& settings;
};

// Starts a connect and forgets it: a failure is dropped, since the connection records it in its
// own log.
void connectAndForget(VpnConnection& connection, const Node& node);

// The connect control of the compact window and the "VPN" menu: disconnects when connected, else
// connects to the first online node of the list, if there is one.
void toggleConnection(const ConnectionControlServices& services);

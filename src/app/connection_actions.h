#pragma once

#include "api/records/node.h"

#include <QCoroTask>

#include <functional>

class AppState;
class SettingsStore;
class VpnManager;

// What the window's screens ask of the connection manager: connect to a node (throws when every
// attempt failed) and disconnect. Screens take it as a value, so that tests see the requests.
struct ConnectionActions {
    std::function<QCoro::Task<>(Node)> connect;
    std::function<void()> disconnect;

    // Over the given connection manager.
    static ConnectionActions of(VpnManager& vpnManager);
};

// What the window's connection controls (the compact window, the menu commands) work with.
struct ConnectionControlServices {
    VpnManager& vpnManager;
    AppState& appState;
    SettingsStore& settings;
    ConnectionActions actions;
};

// Starts a connect and forgets it: a failure is dropped, since the connection manager records it
// in its own log.
void connectAndForget(const ConnectionActions& actions, const Node& node);

// The connect control of the compact window and the "VPN" menu: disconnects when connected, else
// connects to the first online node of the list, if there is one.
void toggleConnection(const ConnectionControlServices& services);

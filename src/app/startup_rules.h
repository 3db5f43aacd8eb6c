#pragma once

#include "api/records/node.h"

#include <QList>
#include <QObject>

#include <chrono>
#include <optional>

class ApiService;
class AppState;
class SettingsStore;
class VpnConnection;
class VpnManager;

// How long the start-up rules wait; tests shorten them.
struct StartupTimings {
    // From the first appearance of the window to the automatic connection.
    std::chrono::milliseconds autoConnectDelay{2000};
    // From launch to the clearing of a left-over system proxy.
    std::chrono::milliseconds proxyClearDelay{1000};
};

// The rules of start-up and of connecting without being asked, in one place; the windows only
// say when something happened (launch, first appearance, the dashboard shown, a new node list).
// None of them ever replaces a connection that is up or under way.
class StartupRules : public QObject {
    Q_OBJECT
public:
    struct Services {
        ApiService& api;
        AppState& appState;
        // Takes over or clears what an earlier run left behind.
        VpnManager& vpnManager;
        SettingsStore& settings;
        // Where the automatic connects go; the same connection in the application.
        VpnConnection& connection;
    };
    using Timings = StartupTimings;

    explicit StartupRules(Services services, Timings timings = {}, QObject* parent = nullptr);

    // At launch: kill-switch rules left loaded by a run that was killed are taken over or
    // released as "killSwitchEnabled" says; shortly after, a system proxy left pointing at our core by an earlier run
    // is switched off; with "autoConnect" on, a fresh node list is fetched and the last connected node is connected
    // when it is online (the first online node when none is remembered).
    void applicationDidFinishLaunching();
    // Once per process, when the window first appears: loads the node list, announcements and
    // profile and, with "autoConnect" on, connects after the delay to the fastest online node
    // if still disconnected.
    void windowDidFirstAppear();
    // Whenever the dashboard appears or the node list changes: the application state picks and
    // connects the fastest node, when signed in with nodes and disconnected.
    void autoConnectFastestIfIdle();

    // The launch connection's node: the online node with `lastNodeId`, or the first online node
    // when no node is remembered (`lastNodeId` <= 0).
    static std::optional<Node> launchTarget(const QList<Node>& nodes, qint64 lastNodeId);
    // The online node with the smallest server delay (absent counts 9999; the earlier wins a tie).
    static std::optional<Node> fastestTarget(const QList<Node>& nodes);

private:
    void clearLeftoverSystemProxy();

    Services m_services;
    Timings m_timings;
};

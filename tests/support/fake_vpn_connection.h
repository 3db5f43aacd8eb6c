#pragma once

#include "connection/vpn_connection.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// The connection as screens see it, without an engine: a test sets what it shows through the
// setters and reads back what the screen asked for. Requests change nothing by themselves,
// except where a test hands in what they do.
class FakeVpnConnection : public VpnConnection {
public:
    // The user has chosen the kill switch unless a test says otherwise: loaded rules show as the
    // block.
    explicit FakeVpnConnection(QObject* parent = nullptr)
        : VpnConnection(parent)
    {
        publishKillSwitchWanted(true);
    }

    using VpnConnection::addLog;
    using VpnConnection::publishRoutingMode;
    using VpnConnection::setConnectedNode;
    using VpnConnection::setConnectionDuration;
    using VpnConnection::setConnectionLog;
    using VpnConnection::setProxyRunning;
    using VpnConnection::setState;
    using VpnConnection::setSystemProxyEnabled;
    using VpnConnection::setTrafficDown;
    using VpnConnection::setTrafficHistoryDown;
    using VpnConnection::setTrafficHistoryUp;
    using VpnConnection::setTrafficSpeedDown;
    using VpnConnection::setTrafficSpeedUp;
    using VpnConnection::setTrafficUp;
    void setKillSwitchLoaded(bool loaded) { publishKillSwitchEnabled(loaded); }
    void setKillSwitchNotInForce(const QString& reason) { publishKillSwitchNotInForce(reason); }
    void setKillSwitchWanted(bool wanted) { publishKillSwitchWanted(wanted); }
    void setSplitTunnelList(const QStringList& paths) { publishSplitTunnelApps(paths); }

    // What the screens asked for, in order.
    QList<Node> connects;
    int disconnects = 0;
    QList<bool> systemProxyRequests;
    QStringList routingModeRequests;
    QList<bool> killSwitchRequests;
    int splitTunnelLoads = 0;
    QStringList addedApps;
    QStringList removedApps;
    QList<bool> cleanups; // whether each asked to remove the sudo entry
    int timerStops = 0;

    // What a connect does; by default nothing (it succeeds at once).
    std::function<QCoro::Task<>(Node)> onConnect;
    // Whether a system-proxy switch takes effect; by default it fails, publishing nothing.
    bool systemProxySwitches = false;
    // What a kill-switch request does (given whether it turns the rules on); by default nothing.
    std::function<QCoro::Task<>(bool)> onKillSwitch;
    // What a clean-up does before it answers `cleanupResult`; by default nothing.
    std::function<QCoro::Task<>()> onCleanup;
    CleanupResult cleanupResult;

    QCoro::Task<> connectTo(Node node) override
    {
        connects.append(node);
        if (onConnect)
            co_await onConnect(std::move(node));
    }
    QCoro::Task<> disconnect() override
    {
        ++disconnects;
        co_return;
    }
    QCoro::Task<> setSystemProxy(bool enabled) override
    {
        systemProxyRequests.append(enabled);
        if (systemProxySwitches)
            setSystemProxyEnabled(enabled);
        co_return;
    }
    void setProxyMode(ProxyMode mode) override { publishProxyMode(mode); }
    // Shown at once, as the core does before it restarts.
    QCoro::Task<> setRoutingMode(QString mode) override
    {
        routingModeRequests.append(mode);
        publishRoutingMode(mode);
        co_return;
    }
    void setAutoReconnectEnabled(bool enabled) override { publishAutoReconnectEnabled(enabled); }
    QCoro::Task<> enableKillSwitch() override
    {
        killSwitchRequests.append(true);
        if (onKillSwitch)
            co_await onKillSwitch(true);
    }
    QCoro::Task<> disableKillSwitch() override
    {
        killSwitchRequests.append(false);
        if (onKillSwitch)
            co_await onKillSwitch(false);
    }
    void loadSplitTunnelApps() override { ++splitTunnelLoads; }
    QCoro::Task<> addSplitTunnelApp(QString path) override
    {
        addedApps.append(path);
        co_return;
    }
    QCoro::Task<> removeSplitTunnelApp(QString path) override
    {
        removedApps.append(path);
        co_return;
    }
    QCoro::Task<CleanupResult> cleanupSystemConfig(bool removeSudoers) override
    {
        cleanups.append(removeSudoers);
        if (onCleanup)
            co_await onCleanup();
        co_return cleanupResult;
    }
    void stopTimers() override { ++timerStops; }
};

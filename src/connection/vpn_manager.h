#pragma once

#include "action_prompts.h"
#include "command_queue.h"
#include "packet_filter.h"
#include "system_proxy.h"
#include "vpn_connection.h"
#include "vpn_error.h"
#include "xray_manager.h"

#include <QCoroTask>
#include <QFuture>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <QDateTime>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AdminScriptRunner;
class ProcessRunner;
class SettingsStore;

// How long the connection manager waits for things, what time it is and what a host name
// resolves to; tests shorten and set them.
struct VpnTimings {
    // Longest wait for one privileged networksetup command.
    std::chrono::milliseconds privilegedCommandLimit{10000};
    // Interval at which the cached right to run privileged commands without a prompt is refreshed.
    std::chrono::milliseconds privilegeRefreshInterval{240000};
    // The three timers of a connection.
    std::chrono::milliseconds statsInterval{1000};
    std::chrono::milliseconds durationInterval{1000};
    std::chrono::milliseconds healthInterval{5000};
    // After the n-th failed attempt of a connect, the next one follows n times this.
    std::chrono::milliseconds retryWaitUnit{1000};
    // Between declaring a connection lost and reconnecting.
    std::chrono::milliseconds reconnectPause{1500};
    // Between a disconnect and reading the SOCKS proxy state back.
    std::chrono::milliseconds proxyReadBackDelay{500};
    // Longest wait at quit for the connection's tear-down.
    std::chrono::milliseconds quitTearDownLimit{15000};
    // Seconds since 1970, for the speeds and the connection time.
    std::function<double()> now = [] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; };
    // For kill-switch rules that cannot hold a server's name: the machine's resolver, which the
    // core asks too.
    PacketFilter::Resolver resolve = [](const QString& name) { return QHostInfo::fromName(name).addresses(); };
    // Longest wait for a name the kill switch's rules let out (the node's, or those the block lets
    // out while no tunnel is up): the system's resolver may take its own time-outs over a name
    // that does not answer.
    std::chrono::milliseconds nameLookupLimit{4000};
};

// The one connection: connect with retries, disconnect, its state and figures for every screen,
// statistics, health check and automatic reconnect, the connection log, the settings that belong
// to it, the system proxy of the active network service, the kill switch, per-application rules
// and the clean-up of system settings (the commands through SystemProxy and PacketFilter).
// Threading: every system command (networksetup, sudo, the administrator scripts)
// runs off the window's thread on one ordered command queue and is awaited; the window's thread
// only waits for the proxy core to stop. Operations that change the system are tasks: a caller
// may await them or let them run.
class VpnManager : public VpnConnection {
    Q_OBJECT

public:
    VpnManager(SettingsStore& settings, ProcessRunner& processes, XrayManager& xray, AdminScriptRunner& adminScripts,
               VpnTimings timings = {}, QObject* parent = nullptr);
    // Waits for the commands still queued.
    ~VpnManager() override;

    // Connects to the node: up to maxConnectAttempts attempts, waiting 1 and then 2 units between
    // them. Returns at once when that node is already connected or being connected; switches
    // over from another node, the kill switch staying in force throughout. Fails with the last
    // attempt's VpnError. A connect overtaken by a disconnect or a newer connect ends quietly
    // without touching the state: the newer request decides it.
    QCoro::Task<> connectTo(Node node) override;
    // Does nothing while disconnected, except that it ends a connect or an automatic reconnect
    // still under way and releases a kill switch still in force. Stops the core, switches the
    // system proxies off, releases the kill switch and the timers, and logs the end. The state is
    // disconnecting until the commands have run. A tear-down already under way ends first; a
    // connect asked for meanwhile waits for this one.
    QCoro::Task<> disconnect() override;
    // The user's settings, written to the store on every change.
    void setProxyMode(ProxyMode mode) override;
    void setAutoReconnectEnabled(bool enabled) override;
    // The core keeps the routing mode and restarts with it; the face shows the core's.
    QCoro::Task<> setRoutingMode(QString mode) override;
    // Points the SOCKS proxy of the active network service at the local core, or switches it off;
    // the outcome shows in systemProxyEnabled and the connection log.
    QCoro::Task<> setSystemProxy(bool enabled) override;
    void stopTimers() override;

    // The kill switch: only loopback, the connected node, DNS and the local network get out.
    // Outcomes go to the connection log and killSwitchEnabled. Once on, it stays in force until
    // the user disconnects, the automatic reconnect gives up, a clean-up or quit: through a
    // reconnect and a switch to another node.
    // An enable overtaken by a disconnect or another connect loads nothing.
    QCoro::Task<> enableKillSwitch() override;
    QCoro::Task<> disableKillSwitch() override;
    // Applications whose traffic bypasses the kill switch: the processes of this user that run
    // them. The exemption is loaded with the kill switch, for the stored list, and released with
    // it; a change of the list while the kill switch is in force applies at once.
    void loadSplitTunnelApps() override;
    QCoro::Task<> addSplitTunnelApp(QString path) override;
    QCoro::Task<> removeSplitTunnelApp(QString path) override;
    // Switches the SOCKS proxy off, empties the kill-switch rules and, on request, removes the
    // password-less sudo entry; each step runs whatever the others gave.
    QCoro::Task<CleanupResult> cleanupSystemConfig(bool removeSudoers) override;

    // The launch clean-up: while no connection is under way, switches off, off the window's
    // thread, each proxy of the service that an earlier run left pointing at the core's ports;
    // the user's own proxies stay. A connect that begins meanwhile stops it.
    QCoro::Task<> clearLeftoverSystemProxy();
    // At launch: kill-switch rules and an exemption an earlier run left loaded (it was killed
    // while they were in force) are taken over when "killSwitchEnabled" is on, so that the next
    // connection lets its node out and replaces them, and both released when it is off or only an
    // exemption was left. Taken over, the block is loaded again to let the service hosts and the
    // listed nodes out (see setServiceHosts, setListedNodes), and the exemption for the list as
    // stored now, or released when it is empty.
    QCoro::Task<> recoverLeftoverKillSwitch();
    // The hosts of the application's own service, asked whenever the kill switch blocks without
    // a tunnel (after a crashed run, a failed connect, a node it cannot let out): their addresses
    // are let out then, so that the user can still sign in and connect again. Once a tunnel is
    // up, the service is reached through it and only the node is let out.
    void setServiceHosts(std::function<QStringList()> hosts) { m_serviceHosts = std::move(hosts); }
    // The nodes the service lists, asked with the service hosts: while the block holds without a
    // tunnel, each node's addresses are let out for TCP to its port, so that its latency can be
    // measured and a connect can reach it.
    void setListedNodes(std::function<QList<Node>()> nodes) { m_listedNodes = std::move(nodes); }
    // To be called when the listed nodes change: a block that holds without a tunnel is loaded
    // again for them.
    QCoro::Task<> listedNodesChanged();
    // Returns once the rules asked for so far have loaded or failed: a probe sent then finds the
    // nodes let out.
    QCoro::Task<> rulesSettled();

private:
    // Tests of single engine steps set the published values and take the steps directly.
    friend class VpnManagerTestAccess;

    // For the end of the application, and run on the application's aboutToQuit: ends the
    // connection in whatever state it is, a connect still under way included, stops the timers,
    // and waits (processing events, at most the quit limit) until the tear-down has run, so that
    // neither the proxies nor the kill switch outlive the process.
    void prepareForQuit();

    static constexpr int maxConnectAttempts = 3;
    static constexpr qsizetype maxHistory = 60;
    static constexpr int maxReconnectAttempts = 5;

    // The system proxy of the active network service.
    // The service whose proxies are changed: a preferred kind of service when listed, else the
    // first listed one. Found once, then kept for the life of the process.
    QCoro::Task<std::optional<QString>> detectActiveNetworkService();
    // Whether the service's SOCKS proxy is on and points at 127.0.0.1 on the port.
    QCoro::Task<bool> checkProxyState(QString service, int port);
    // How long a caller waits for a privileged networksetup command: the clean-up gives up after
    // the privileged command limit; a connect waits for the command under way, since a
    // disconnect queues its own commands behind it.
    enum class CommandWait { upToLimit, untilDone };
    // networksetup with the arguments, through sudo without a password prompt: true only when it
    // exited with status 0.
    QCoro::Task<bool> changeProxySetting(QStringList arguments, CommandWait wait);

    // The statistics tick: totals, speeds and histories from the core's counters.
    void refreshStats();
    // Loads or releases the exemption of the listed applications while the kill switch is in force.
    QCoro::Task<> applySplitTunnelRules();
    // Whether the path may be listed; a path that would let out more than one application is
    // logged and refused.
    bool mayBeExempted(const QString& path);

    void setSplitTunnelApps(const QStringList& paths);

    // Once a privileged command needed a second attempt, the right to run them without a prompt
    // is refreshed at intervals, so that it does not lapse while connected.
    void startPrivilegeRefresh();
    void refreshPrivilege();

    void setKillSwitchEnabled(bool enabled);
    // Publishes the user's "killSwitchEnabled" now and whenever it changes, whoever changes it.
    void followKillSwitchWish();

    // Who asked for a connect: an automatic reconnect that fails gives up, which releases the
    // kill switch.
    enum class ConnectRequest { user, automatic };
    enum class KillSwitch { keep, release };
    QCoro::Task<> connectWithRetries(Node node, ConnectRequest request);
    QCoro::Task<> attemptConnect(Node node, quint64 generation);
    // Points the three proxies of the service at the core; false when overtaken meanwhile.
    QCoro::Task<bool> pointSystemProxiesAtCore(QString service, quint64 generation);
    // A disconnect; a switch to another node keeps the kill switch.
    QCoro::Task<> endConnection(KillSwitch killSwitch);
    // The second half of a disconnect: core, system proxies, kill switch, timers, state.
    QCoro::Task<> tearDown(KillSwitch killSwitch);
    bool tearingDown() const { return m_tearDownDone.isRunning(); }
    // Returns once the tear-down under way, if any, has run.
    QCoro::Task<> tearDownFinished();
    // The SOCKS state read back after a disconnect.
    QCoro::Task<> readBackSystemProxy(quint64 generation);
    // Whether something of an earlier connection is still in place (the kill switch counted only
    // when it is to be released).
    bool holdsConnection(KillSwitch killSwitch) const;
    bool overtaken(quint64 generation) const { return generation != m_connectGeneration; }

    void startTimers();
    void updateDuration();
    void checkConnectionHealth();
    QCoro::Task<> reconnect(Node node);
    // After the last automatic reconnect failed.
    QCoro::Task<> giveUpReconnecting();

    // Replaces the kill-switch rules with ones that let these servers out; a failure is logged.
    // Where a server cannot be let out, rules that let no server out take their place.
    QCoro::Task<PacketFilter::Load> loadKillSwitchRules(QStringList servers);
    // Loads kill-switch rules with the settings marker of loaded rules written before the script
    // runs; the marker goes again when nothing was loaded and none were before.
    QCoro::Task<PacketFilter::Load> loadMarkedAhead(QStringList servers);
    // The settings marker of loaded rules, written before a load; it goes again when nothing was
    // loaded and none were before.
    void markRulesLoadedAhead();
    void unmarkRulesUnlessLoaded(bool loaded);
    // Rules that let out only the service hosts and the listed nodes' ports (each host that does
    // not resolve left out, and logged): the block holds, no tunnel is up. False, logged, when no
    // rules could be loaded.
    QCoro::Task<bool> blockWithoutTunnel();
    // The listed nodes with a port that can be let out.
    QList<PacketFilterScripts::TcpDestination> listedNodeDestinations() const;
    // While the kill switch is in force, lets the node's server out before the core dials it.
    // The failure, logged, when the kill switch is chosen and its rules cannot let the node out:
    // the node must not be connected.
    QCoro::Task<std::optional<VpnError>> letNodeOutThroughKillSwitch(Node node);

    SettingsStore& m_settings;
    // Before the system proxy and the packet filter, which queue their commands on it.
    CommandQueue m_commands;
    SystemProxy m_systemProxy;
    PacketFilter m_packetFilter;
    // Set when a connect begins: a launch clean-up under way then switches nothing more off.
    std::shared_ptr<std::atomic<bool>> m_leftoverClearing = std::make_shared<std::atomic<bool>>(false);
    XrayManager& m_xray;
    // The administrator scripts: after a refused prompt, no other within the same action.
    ActionPrompts m_prompts;
    const VpnTimings m_timings;

    std::unique_ptr<QTimer> m_privilegeRefreshTimer;
    std::unique_ptr<QTimer> m_statsTimer;
    std::unique_ptr<QTimer> m_durationTimer;
    std::unique_ptr<QTimer> m_healthTimer;
    std::optional<double> m_startTime;
    qint64 m_prevDown = 0;
    qint64 m_prevUp = 0;
    double m_lastTrafficSampleTime = 0;
    bool m_isReconnecting = false;
    int m_reconnectAttempts = 0;
    // Counts automatic reconnects: each clears only its own isReconnecting.
    quint64 m_reconnectRound = 0;
    std::function<QStringList()> m_serviceHosts;
    std::function<QList<Node>()> m_listedNodes;
    // Counts connects and disconnects: a connect that finds it changed after an await was
    // overtaken and stops.
    quint64 m_connectGeneration = 0;
    // A connect has pointed the system proxies at the core and no tear-down has switched them
    // off since.
    bool m_systemProxyTouched = false;
    // Finished once the tear-down under way, if any, has run.
    QFuture<void> m_tearDownDone;
};

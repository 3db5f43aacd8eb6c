#pragma once

#include "api/records/connection_state.h"
#include "api/records/node.h"
#include "connection_log_entry.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// What the screens see of the one connection and what they may ask of it: the published state
// (written only by the connection itself, through the protected setters) and the user's actions.
// VpnManager is the connection; the screens' tests use a fake that records what is asked.
// Every assignment notifies, also when the value stays the same.
class VpnConnection : public QObject {
    Q_OBJECT
    Q_PROPERTY(ConnectionState state READ state NOTIFY stateChanged)
    Q_PROPERTY(qint64 trafficDown READ trafficDown NOTIFY trafficDownChanged)
    Q_PROPERTY(qint64 trafficUp READ trafficUp NOTIFY trafficUpChanged)
    Q_PROPERTY(std::optional<Node> connectedNode READ connectedNode NOTIFY connectedNodeChanged)
    Q_PROPERTY(double connectionDuration READ connectionDuration NOTIFY connectionDurationChanged)
    Q_PROPERTY(qint64 trafficSpeedDown READ trafficSpeedDown NOTIFY trafficSpeedDownChanged)
    Q_PROPERTY(qint64 trafficSpeedUp READ trafficSpeedUp NOTIFY trafficSpeedUpChanged)
    Q_PROPERTY(QList<qint64> trafficHistoryDown READ trafficHistoryDown NOTIFY trafficHistoryDownChanged)
    Q_PROPERTY(QList<qint64> trafficHistoryUp READ trafficHistoryUp NOTIFY trafficHistoryUpChanged)
    Q_PROPERTY(QList<ConnectionLogEntry> connectionLog READ connectionLog NOTIFY connectionLogChanged)
    Q_PROPERTY(bool isProxyRunning READ isProxyRunning NOTIFY isProxyRunningChanged)
    Q_PROPERTY(bool systemProxyEnabled READ systemProxyEnabled NOTIFY systemProxyEnabledChanged)
    Q_PROPERTY(ProxyMode proxyMode READ proxyMode NOTIFY proxyModeChanged)
    Q_PROPERTY(QString routingMode READ routingMode NOTIFY routingModeChanged)
    Q_PROPERTY(bool autoReconnectEnabled READ autoReconnectEnabled NOTIFY autoReconnectEnabledChanged)
    Q_PROPERTY(bool killSwitchEnabled READ killSwitchEnabled NOTIFY killSwitchEnabledChanged)
    Q_PROPERTY(bool killSwitchWanted READ killSwitchWanted NOTIFY killSwitchWantedChanged)
    Q_PROPERTY(QStringList splitTunnelApps READ splitTunnelApps NOTIFY splitTunnelAppsChanged)
    Q_PROPERTY(QString killSwitchNotInForce READ killSwitchNotInForce NOTIFY killSwitchNotInForceChanged)

public:
    // Both modes make the same local-proxy connection; "tun" only changes log lines.
    enum class ProxyMode { socks, tun };
    Q_ENUM(ProxyMode)
    static QString rawValue(ProxyMode mode);
    static const QList<ProxyMode> allProxyModes;

    // The core's local ports, which the system proxies point at.
    static constexpr int proxyPort = 1080; // SOCKS5
    static constexpr int httpPort = 1081;
    static constexpr qsizetype maxLogEntries = 100;

    struct CleanupResult {
        bool proxyOff = false;
        bool pfCleared = false;
        bool sudoersRemoved = false;
    };

    // "MM:SS" below an hour, else "H:MM:SS" (hours not wrapped), from whole seconds.
    static QString formatDuration(double seconds);

    ConnectionState state() const { return m_state; }
    qint64 trafficDown() const { return m_trafficDown; }
    qint64 trafficUp() const { return m_trafficUp; }
    std::optional<Node> connectedNode() const { return m_connectedNode; }
    double connectionDuration() const { return m_connectionDuration; }
    qint64 trafficSpeedDown() const { return m_trafficSpeedDown; }
    qint64 trafficSpeedUp() const { return m_trafficSpeedUp; }
    QList<qint64> trafficHistoryDown() const { return m_trafficHistoryDown; }
    QList<qint64> trafficHistoryUp() const { return m_trafficHistoryUp; }
    // Newest first, at most maxLogEntries.
    QList<ConnectionLogEntry> connectionLog() const { return m_connectionLog; }
    bool isProxyRunning() const { return m_isProxyRunning; }
    bool systemProxyEnabled() const { return m_systemProxyEnabled; }
    // The user's settings, kept in the store.
    ProxyMode proxyMode() const { return m_proxyMode; }
    // The proxy core's routing, kept by the core: "rule" (sites at home go direct) or "global".
    QString routingMode() const { return m_routingMode; }
    bool autoReconnectEnabled() const { return m_autoReconnectEnabled; }
    // Whether the kill-switch rules are loaded. The user's wish is the setting
    // "killSwitchEnabled", which only the user and the clean-up change.
    bool killSwitchEnabled() const { return m_killSwitchEnabled; }
    // The setting "killSwitchEnabled" as it stands: rules loaded while it is off are rules whose
    // release is under way or failed, not a kill switch in force.
    bool killSwitchWanted() const { return m_killSwitchWanted; }
    // Why the kill switch the user chose is not in force while connected (its rules did not
    // load), as a Chinese source text for the text table; empty while the rules are loaded, while
    // not connected, and once the user turned it off.
    QString killSwitchNotInForce() const { return m_killSwitchNotInForce; }
    // Programs whose traffic bypasses the kill switch.
    QStringList splitTunnelApps() const { return m_splitTunnelApps; }

    // Connects to the node, switching over from another one; fails with the last attempt's
    // VpnError when every attempt failed.
    virtual QCoro::Task<> connectTo(Node node) = 0;
    // The user's disconnect: ends whatever connection or connect is under way.
    virtual QCoro::Task<> disconnect() = 0;
    // The dashboard's clear button.
    void clearConnectionLog() { setConnectionLog({}); }
    // Points the system proxy at the local core, or switches it off.
    virtual QCoro::Task<> setSystemProxy(bool enabled) = 0;
    virtual void setProxyMode(ProxyMode mode) = 0;
    // "global" stays "global", anything else becomes "rule"; a running core restarts with it.
    // Never fails: a restart that fails leaves the core stopped, which the health check finds.
    virtual QCoro::Task<> setRoutingMode(QString mode) = 0;
    virtual void setAutoReconnectEnabled(bool enabled) = 0;
    virtual QCoro::Task<> enableKillSwitch() = 0;
    virtual QCoro::Task<> disableKillSwitch() = 0;
    // Reads the stored list of programs that bypass the kill switch.
    virtual void loadSplitTunnelApps() = 0;
    virtual QCoro::Task<> addSplitTunnelApp(QString path) = 0;
    virtual QCoro::Task<> removeSplitTunnelApp(QString path) = 0;
    // Switches the SOCKS proxy off, empties the kill-switch rules and, on request, removes the
    // password-less sudo entry.
    virtual QCoro::Task<CleanupResult> cleanupSystemConfig(bool removeSudoers) = 0;
    // Stops the statistics, duration and health timers, for the quit from the status popover.
    virtual void stopTimers() = 0;

signals:
    void stateChanged();
    void trafficDownChanged();
    void trafficUpChanged();
    void connectedNodeChanged();
    void connectionDurationChanged();
    void trafficSpeedDownChanged();
    void trafficSpeedUpChanged();
    void trafficHistoryDownChanged();
    void trafficHistoryUpChanged();
    void connectionLogChanged();
    void isProxyRunningChanged();
    void systemProxyEnabledChanged();
    void proxyModeChanged();
    void routingModeChanged();
    void autoReconnectEnabledChanged();
    void killSwitchEnabledChanged();
    void killSwitchWantedChanged();
    void splitTunnelAppsChanged();
    void killSwitchNotInForceChanged();
    // After each successful connect, for the recent nodes; delivered after the connect finished.
    void nodeConnected(qint64 nodeId);
    // After a successful connect while "openOnConnect" is on: the main window comes to the front.
    void openMainWindowRequested();

protected:
    explicit VpnConnection(QObject* parent = nullptr);

    // Any state but connected clears the reason the kill switch is not in force.
    void setState(ConnectionState state);
    void setTrafficDown(qint64 bytes);
    void setTrafficUp(qint64 bytes);
    void setConnectedNode(const std::optional<Node>& node);
    void setConnectionDuration(double seconds);
    void setTrafficSpeedDown(qint64 bytesPerSecond);
    void setTrafficSpeedUp(qint64 bytesPerSecond);
    void setTrafficHistoryDown(const QList<qint64>& speeds);
    void setTrafficHistoryUp(const QList<qint64>& speeds);
    void setConnectionLog(const QList<ConnectionLogEntry>& entries);
    void setProxyRunning(bool running);
    void setSystemProxyEnabled(bool enabled);
    // The published side of the user's settings; the connection keeps them in the store itself.
    void publishProxyMode(ProxyMode mode);
    void publishRoutingMode(const QString& mode);
    void publishAutoReconnectEnabled(bool enabled);
    // Loaded rules clear the reason the kill switch is not in force.
    void publishKillSwitchEnabled(bool loaded);
    void publishKillSwitchWanted(bool wanted);
    // Kept only while connected without loaded rules: leaving the connected state or loading the
    // rules clears it.
    void publishKillSwitchNotInForce(const QString& reason);
    void publishSplitTunnelApps(const QStringList& paths);
    // Adds a line to the front of the connection log, dropping the oldest beyond maxLogEntries.
    void addLog(ConnectionLogEntry::LogType type, const QString& message,
                const std::optional<QString>& nodeName = std::nullopt);

private:
    template <typename T>
    void assign(T& field, const T& value, void (VpnConnection::*changed)())
    {
        field = value;
        emit(this->*changed)();
    }

    ConnectionState m_state = ConnectionState::disconnected;
    qint64 m_trafficDown = 0;
    qint64 m_trafficUp = 0;
    std::optional<Node> m_connectedNode;
    double m_connectionDuration = 0;
    qint64 m_trafficSpeedDown = 0;
    qint64 m_trafficSpeedUp = 0;
    QList<qint64> m_trafficHistoryDown;
    QList<qint64> m_trafficHistoryUp;
    QList<ConnectionLogEntry> m_connectionLog;
    bool m_isProxyRunning = false;
    bool m_systemProxyEnabled = false;
    ProxyMode m_proxyMode = ProxyMode::socks;
    QString m_routingMode = QStringLiteral("rule");
    bool m_autoReconnectEnabled = true;
    bool m_killSwitchEnabled = false;
    bool m_killSwitchWanted = false;
    QStringList m_splitTunnelApps;
    QString m_killSwitchNotInForce;
};

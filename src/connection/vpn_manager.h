#pragma once

#include "api/records/connection_state.h"
#include "api/records/node.h"
#include "connection_log_entry.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class ProcessRunner;
class SettingsStore;

// How long the connection manager waits for things; tests shorten them.
struct VpnTimings {
    // Longest wait for one privileged networksetup command.
    std::chrono::milliseconds privilegedCommandLimit{10000};
    // Between clearing the proxies at launch and reporting them off.
    std::chrono::milliseconds proxyClearedDelay{600};
    // Interval of the sudo credential refresh.
    std::chrono::milliseconds sudoKeepaliveInterval{240000};
};

// The one connection: its state and figures for every screen, the connection log, the settings
// that belong to it, and the system proxy of the active network service.
class VpnManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(ConnectionState state READ state WRITE setState NOTIFY stateChanged)
    Q_PROPERTY(qint64 trafficDown READ trafficDown WRITE setTrafficDown NOTIFY trafficDownChanged)
    Q_PROPERTY(qint64 trafficUp READ trafficUp WRITE setTrafficUp NOTIFY trafficUpChanged)
    Q_PROPERTY(std::optional<Node> connectedNode READ connectedNode WRITE setConnectedNode NOTIFY connectedNodeChanged)
    Q_PROPERTY(double connectionDuration READ connectionDuration WRITE setConnectionDuration NOTIFY connectionDurationChanged)
    Q_PROPERTY(qint64 trafficSpeedDown READ trafficSpeedDown WRITE setTrafficSpeedDown NOTIFY trafficSpeedDownChanged)
    Q_PROPERTY(qint64 trafficSpeedUp READ trafficSpeedUp WRITE setTrafficSpeedUp NOTIFY trafficSpeedUpChanged)
    Q_PROPERTY(QList<qint64> trafficHistoryDown READ trafficHistoryDown WRITE setTrafficHistoryDown NOTIFY trafficHistoryDownChanged)
    Q_PROPERTY(QList<qint64> trafficHistoryUp READ trafficHistoryUp WRITE setTrafficHistoryUp NOTIFY trafficHistoryUpChanged)
    Q_PROPERTY(QList<ConnectionLogEntry> connectionLog READ connectionLog WRITE setConnectionLog NOTIFY connectionLogChanged)
    Q_PROPERTY(bool isProxyRunning READ isProxyRunning WRITE setProxyRunning NOTIFY isProxyRunningChanged)
    Q_PROPERTY(bool systemProxyEnabled READ systemProxyEnabled WRITE setSystemProxyEnabled NOTIFY systemProxyEnabledChanged)
    Q_PROPERTY(ProxyMode proxyMode READ proxyMode WRITE setProxyMode NOTIFY proxyModeChanged)
    Q_PROPERTY(bool autoReconnectEnabled READ autoReconnectEnabled WRITE setAutoReconnectEnabled NOTIFY autoReconnectEnabledChanged)
    Q_PROPERTY(bool killSwitchEnabled READ killSwitchEnabled WRITE setKillSwitchEnabled NOTIFY killSwitchEnabledChanged)
    Q_PROPERTY(QStringList splitTunnelApps READ splitTunnelApps WRITE setSplitTunnelApps NOTIFY splitTunnelAppsChanged)

public:
    // Both modes make the same local-proxy connection; "tun" only changes log lines.
    enum class ProxyMode { socks, tun };
    Q_ENUM(ProxyMode)
    static QString rawValue(ProxyMode mode);
    static const QList<ProxyMode> allProxyModes;

    static constexpr int proxyPort = 1080;
    static constexpr int httpPort = 1081;
    static constexpr qsizetype maxLogEntries = 100;

    VpnManager(SettingsStore& settings, ProcessRunner& processes, VpnTimings timings = {}, QObject* parent = nullptr);

    static VpnManager& shared();

    // Published state. Every assignment notifies, also when the value stays the same; a state
    // assignment also posts "VpnStateChanged".
    ConnectionState state() const { return m_state; }
    void setState(ConnectionState state);
    qint64 trafficDown() const { return m_trafficDown; }
    void setTrafficDown(qint64 bytes);
    qint64 trafficUp() const { return m_trafficUp; }
    void setTrafficUp(qint64 bytes);
    std::optional<Node> connectedNode() const { return m_connectedNode; }
    void setConnectedNode(const std::optional<Node>& node);
    double connectionDuration() const { return m_connectionDuration; }
    void setConnectionDuration(double seconds);
    qint64 trafficSpeedDown() const { return m_trafficSpeedDown; }
    void setTrafficSpeedDown(qint64 bytesPerSecond);
    qint64 trafficSpeedUp() const { return m_trafficSpeedUp; }
    void setTrafficSpeedUp(qint64 bytesPerSecond);
    QList<qint64> trafficHistoryDown() const { return m_trafficHistoryDown; }
    void setTrafficHistoryDown(const QList<qint64>& speeds);
    QList<qint64> trafficHistoryUp() const { return m_trafficHistoryUp; }
    void setTrafficHistoryUp(const QList<qint64>& speeds);
    // Newest first, at most maxLogEntries; the dashboard empties it.
    QList<ConnectionLogEntry> connectionLog() const { return m_connectionLog; }
    void setConnectionLog(const QList<ConnectionLogEntry>& entries);
    bool isProxyRunning() const { return m_isProxyRunning; }
    void setProxyRunning(bool running);
    bool systemProxyEnabled() const { return m_systemProxyEnabled; }
    void setSystemProxyEnabled(bool enabled);

    // Settings kept in the store: written on every assignment.
    ProxyMode proxyMode() const { return m_proxyMode; }
    void setProxyMode(ProxyMode mode);
    bool autoReconnectEnabled() const { return m_autoReconnectEnabled; }
    void setAutoReconnectEnabled(bool enabled);
    bool killSwitchEnabled() const { return m_killSwitchEnabled; }
    void setKillSwitchEnabled(bool enabled);
    QStringList splitTunnelApps() const { return m_splitTunnelApps; }
    void setSplitTunnelApps(const QStringList& paths);

    // Adds a line to the front of the connection log, dropping the oldest beyond maxLogEntries.
    void addLog(ConnectionLogEntry::LogType type, const QString& message, const std::optional<QString>& nodeName = std::nullopt);
    // "MM:SS" below an hour, else "H:MM:SS" (hours not wrapped), from whole seconds.
    static QString formatDuration(double seconds);

    // The system proxy of the active network service.
    // The service whose proxies are changed: a preferred kind of service when listed, else the
    // first listed one. Found once, then kept for the life of the process.
    std::optional<QString> detectActiveNetworkService();
    // Points the SOCKS proxy at the local core, or switches it off; the outcome shows in
    // systemProxyEnabled and the connection log.
    void setSystemProxy(bool enabled);
    // Switches the web, secure-web and SOCKS proxies of the service off and, shortly after,
    // reports the system proxy off.
    void forceClearSystemProxy(const QString& service);
    // Whether the service's SOCKS proxy is on and points at the port.
    bool checkProxyState(const QString& service, int port);
    // networksetup with the arguments, through sudo without a password prompt: true only when it
    // exited with status 0. The blocking runner gives up after the privileged command limit.
    bool runNetworksetupSudo(const QStringList& arguments);
    QCoro::Task<bool> runNetworksetupSudoAsync(QStringList arguments);

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
    void autoReconnectEnabledChanged();
    void killSwitchEnabledChanged();
    void splitTunnelAppsChanged();

private:
    template <typename T>
    void assign(T& field, const T& value, void (VpnManager::*changed)())
    {
        field = value;
        emit(this->*changed)();
    }

    void startSudoKeepalive();
    void refreshSudoCredential();

    SettingsStore& m_settings;
    ProcessRunner& m_processes;
    const VpnTimings m_timings;

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
    std::optional<QString> m_activeNetworkService;
    std::unique_ptr<QTimer> m_sudoKeepaliveTimer;
    bool m_autoReconnectEnabled = true;
    bool m_killSwitchEnabled = false;
    QStringList m_splitTunnelApps;
};

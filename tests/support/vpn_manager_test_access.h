#pragma once

#include "connection/vpn_manager.h"

#include <QStringList>
#include <QTimer>

// Sets the connection manager's published values directly: for tests of screens, which show a
// given state, and of single engine steps. Nothing outside the manager writes them otherwise.
// Runs those single steps too, which only the manager itself calls otherwise.
class VpnManagerTestAccess {
public:
    explicit VpnManagerTestAccess(VpnManager& manager)
        : m_manager(manager)
    {
    }

    void setState(ConnectionState state) { m_manager.setState(state); }
    void setTrafficDown(qint64 bytes) { m_manager.setTrafficDown(bytes); }
    void setTrafficUp(qint64 bytes) { m_manager.setTrafficUp(bytes); }
    void setConnectedNode(const std::optional<Node>& node) { m_manager.setConnectedNode(node); }
    void setConnectionDuration(double seconds) { m_manager.setConnectionDuration(seconds); }
    void setTrafficSpeedDown(qint64 bytesPerSecond) { m_manager.setTrafficSpeedDown(bytesPerSecond); }
    void setTrafficSpeedUp(qint64 bytesPerSecond) { m_manager.setTrafficSpeedUp(bytesPerSecond); }
    void setTrafficHistoryDown(const QList<qint64>& speeds) { m_manager.setTrafficHistoryDown(speeds); }
    void setTrafficHistoryUp(const QList<qint64>& speeds) { m_manager.setTrafficHistoryUp(speeds); }
    void setConnectionLog(const QList<ConnectionLogEntry>& entries) { m_manager.setConnectionLog(entries); }
    void setProxyRunning(bool running) { m_manager.setProxyRunning(running); }
    void setSystemProxyEnabled(bool enabled) { m_manager.setSystemProxyEnabled(enabled); }
    void setSplitTunnelApps(const QStringList& paths) { m_manager.setSplitTunnelApps(paths); }
    void setKillSwitchEnabled(bool loaded) { m_manager.setKillSwitchEnabled(loaded); }
    // The statistics, duration and health timers of a connection.
    void startTimers() { m_manager.startTimers(); }
    void addLog(ConnectionLogEntry::LogType type, const QString& message,
                const std::optional<QString>& nodeName = std::nullopt)
    {
        m_manager.addLog(type, message, nodeName);
    }

    void prepareForQuit() { m_manager.prepareForQuit(); }
    void refreshStats() { m_manager.refreshStats(); }
    QCoro::Task<std::optional<QString>> detectActiveNetworkService() { return m_manager.detectActiveNetworkService(); }
    QCoro::Task<bool> checkProxyState(QString service, int port)
    {
        return m_manager.checkProxyState(std::move(service), port);
    }
    using CommandWait = VpnManager::CommandWait;
    QCoro::Task<bool> changeProxySetting(QStringList arguments, CommandWait wait)
    {
        return m_manager.changeProxySetting(std::move(arguments), wait);
    }

private:
    VpnManager& m_manager;
};

inline VpnManagerTestAccess published(VpnManager& manager) { return VpnManagerTestAccess(manager); }
// For the single steps: `inside(manager).refreshStats()`.
inline VpnManagerTestAccess inside(VpnManager& manager) { return VpnManagerTestAccess(manager); }

// The names of the manager's timers that run, sorted.
inline QStringList activeTimerNames(const VpnManager& manager)
{
    QStringList names;
    for (const auto* timer : manager.findChildren<QTimer*>())
        if (timer->isActive() && !timer->objectName().isEmpty())
            names.append(timer->objectName());
    names.sort();
    return names;
}

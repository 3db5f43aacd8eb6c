#pragma once

#include "connection/vpn_manager.h"

#include <QStringList>
#include <QTimer>

// For tests of single engine steps: sets the connection manager's published values directly and
// runs the steps that only the manager itself calls otherwise. Screens' tests use
// FakeVpnConnection instead.
class VpnManagerTestAccess {
public:
    explicit VpnManagerTestAccess(VpnManager& manager)
        : m_manager(manager)
    {
    }

    void setState(ConnectionState state) { m_manager.setState(state); }
    void setTrafficDown(qint64 bytes) { m_manager.setTrafficDown(bytes); }
    void setConnectedNode(const std::optional<Node>& node) { m_manager.setConnectedNode(node); }
    void setTrafficHistoryDown(const QList<qint64>& speeds) { m_manager.setTrafficHistoryDown(speeds); }
    void setConnectionLog(const QList<ConnectionLogEntry>& entries) { m_manager.setConnectionLog(entries); }
    void setProxyRunning(bool running) { m_manager.setProxyRunning(running); }
    void setSystemProxyEnabled(bool enabled) { m_manager.setSystemProxyEnabled(enabled); }
    void setSplitTunnelApps(const QStringList& paths) { m_manager.setSplitTunnelApps(paths); }
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

#include "vpn_connection.h"

#include "xray_manager.h"

#include <QDateTime>
#include <QUuid>

#include <cmath>
#include <cstdio>
#include <limits>

static_assert(VpnConnection::proxyPort == XrayManager::proxyPort && VpnConnection::httpPort == XrayManager::httpPort,
              "the system proxies point at the core's own ports");

const QList<VpnConnection::ProxyMode> VpnConnection::allProxyModes{ProxyMode::socks, ProxyMode::tun};

QString VpnConnection::rawValue(ProxyMode mode)
{
    return mode == ProxyMode::tun ? QStringLiteral("tun") : QStringLiteral("socks");
}

QString VpnConnection::formatDuration(double seconds)
{
    // A clock that went backwards or an unset start must not print garbage.
    long long total = 0;
    if (std::isfinite(seconds) && seconds > 0)
        total = seconds >= double(std::numeric_limits<long long>::max()) ? std::numeric_limits<long long>::max()
                                                                         : static_cast<long long>(seconds);
    char text[48];
    if (total < 3600)
        std::snprintf(text, sizeof text, "%02lld:%02lld", (total / 60) % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, (total / 60) % 60, total % 60);
    return QString::fromLatin1(text);
}

VpnConnection::VpnConnection(QObject* parent)
    : QObject(parent)
{
}

void VpnConnection::setState(ConnectionState state)
{
    assign(m_state, state, &VpnConnection::stateChanged);
    if (state != ConnectionState::connected && !m_killSwitchNotInForce.isEmpty())
        publishKillSwitchNotInForce({});
}

void VpnConnection::setTrafficDown(qint64 bytes) { assign(m_trafficDown, bytes, &VpnConnection::trafficDownChanged); }

void VpnConnection::setTrafficUp(qint64 bytes) { assign(m_trafficUp, bytes, &VpnConnection::trafficUpChanged); }

void VpnConnection::setConnectedNode(const std::optional<Node>& node)
{
    assign(m_connectedNode, node, &VpnConnection::connectedNodeChanged);
}

void VpnConnection::setConnectionDuration(double seconds)
{
    assign(m_connectionDuration, seconds, &VpnConnection::connectionDurationChanged);
}

void VpnConnection::setTrafficSpeedDown(qint64 bytesPerSecond)
{
    assign(m_trafficSpeedDown, bytesPerSecond, &VpnConnection::trafficSpeedDownChanged);
}

void VpnConnection::setTrafficSpeedUp(qint64 bytesPerSecond)
{
    assign(m_trafficSpeedUp, bytesPerSecond, &VpnConnection::trafficSpeedUpChanged);
}

void VpnConnection::setTrafficHistoryDown(const QList<qint64>& speeds)
{
    assign(m_trafficHistoryDown, speeds, &VpnConnection::trafficHistoryDownChanged);
}

void VpnConnection::setTrafficHistoryUp(const QList<qint64>& speeds)
{
    assign(m_trafficHistoryUp, speeds, &VpnConnection::trafficHistoryUpChanged);
}

void VpnConnection::setConnectionLog(const QList<ConnectionLogEntry>& entries)
{
    assign(m_connectionLog, entries, &VpnConnection::connectionLogChanged);
}

void VpnConnection::setProxyRunning(bool running)
{
    assign(m_isProxyRunning, running, &VpnConnection::isProxyRunningChanged);
}

void VpnConnection::setSystemProxyEnabled(bool enabled)
{
    assign(m_systemProxyEnabled, enabled, &VpnConnection::systemProxyEnabledChanged);
}

void VpnConnection::publishProxyMode(ProxyMode mode) { assign(m_proxyMode, mode, &VpnConnection::proxyModeChanged); }

void VpnConnection::publishRoutingMode(const QString& mode)
{
    assign(m_routingMode, mode, &VpnConnection::routingModeChanged);
}

void VpnConnection::publishAutoReconnectEnabled(bool enabled)
{
    assign(m_autoReconnectEnabled, enabled, &VpnConnection::autoReconnectEnabledChanged);
}

void VpnConnection::publishKillSwitchEnabled(bool loaded)
{
    assign(m_killSwitchEnabled, loaded, &VpnConnection::killSwitchEnabledChanged);
    if (loaded && !m_killSwitchNotInForce.isEmpty())
        publishKillSwitchNotInForce({});
}

void VpnConnection::publishKillSwitchWanted(bool wanted)
{
    assign(m_killSwitchWanted, wanted, &VpnConnection::killSwitchWantedChanged);
}

void VpnConnection::publishKillSwitchNotInForce(const QString& reason)
{
    const bool holds = m_state == ConnectionState::connected && !m_killSwitchEnabled;
    assign(m_killSwitchNotInForce, holds ? reason : QString(), &VpnConnection::killSwitchNotInForceChanged);
}

void VpnConnection::publishSplitTunnelApps(const QStringList& paths)
{
    assign(m_splitTunnelApps, paths, &VpnConnection::splitTunnelAppsChanged);
}

void VpnConnection::addLog(ConnectionLogEntry::LogType type, const QString& message,
                           const std::optional<QString>& nodeName)
{
    m_connectionLog.prepend({QUuid::createUuid(), QDateTime::currentDateTime(), type, message, nodeName});
    emit connectionLogChanged();
    if (m_connectionLog.size() > maxLogEntries) {
        m_connectionLog.resize(maxLogEntries);
        emit connectionLogChanged();
    }
}

#include "vpn_manager.h"

#include "platform/admin_script_runner.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "xray_manager.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cmath>
#include <cstdio>
#include <limits>

const QList<VpnManager::ProxyMode> VpnManager::allProxyModes{ProxyMode::socks, ProxyMode::tun};

QString VpnManager::rawValue(ProxyMode mode)
{
    return mode == ProxyMode::tun ? QStringLiteral("tun") : QStringLiteral("socks");
}

VpnManager::VpnManager(SettingsStore& settings, ProcessRunner& processes, XrayManager& xray,
                       AdminScriptRunner& adminScripts, VpnTimings timings, QObject* parent)
    : VpnManager(settings, processes, std::move(timings), parent)
{
    m_xray = &xray;
    m_adminScripts = &adminScripts;
}

VpnManager::VpnManager(SettingsStore& settings, ProcessRunner& processes, VpnTimings timings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_systemProxy(processes, m_commands)
    , m_packetFilter([this]() -> AdminScriptRunner& { return adminScripts(); }, m_commands, timings.resolve)
    , m_xray(nullptr)
    , m_adminScripts(nullptr)
    , m_timings(std::move(timings))
    , m_proxyMode(settings.stringValue(SettingsKeys::proxyMode) == QLatin1String("tun") ? ProxyMode::tun
                                                                                        : ProxyMode::socks)
    , m_autoReconnectEnabled(settings.boolOr(SettingsKeys::autoReconnectEnabled, true))
{
    // However the application ends, a connection in any state goes with it: a core left running
    // and proxies pointing at it would outlive us.
    if (auto* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, this, &VpnManager::prepareForQuit);
}

VpnManager::~VpnManager()
{
    // The queued commands use the system proxy and the packet filter, which go with this object.
    m_commands.waitForDone();
}

XrayManager& VpnManager::xray()
{
    if (!m_xray) {
        m_ownLauncher = ChildProcessLauncher::makeNative();
        m_ownXray = std::make_unique<XrayManager>(m_settings, *m_ownLauncher, XrayManager::Options::standard());
        m_xray = m_ownXray.get();
    }
    return *m_xray;
}

AdminScriptRunner& VpnManager::adminScripts()
{
    if (!m_adminScripts) {
        m_ownAdminScripts = AdminScriptRunner::makeNative();
        m_adminScripts = m_ownAdminScripts.get();
    }
    return *m_adminScripts;
}

void VpnManager::setState(ConnectionState state) { assign(m_state, state, &VpnManager::stateChanged); }

void VpnManager::setTrafficDown(qint64 bytes) { assign(m_trafficDown, bytes, &VpnManager::trafficDownChanged); }

void VpnManager::setTrafficUp(qint64 bytes) { assign(m_trafficUp, bytes, &VpnManager::trafficUpChanged); }

void VpnManager::setConnectedNode(const std::optional<Node>& node)
{
    assign(m_connectedNode, node, &VpnManager::connectedNodeChanged);
}

void VpnManager::setConnectionDuration(double seconds)
{
    assign(m_connectionDuration, seconds, &VpnManager::connectionDurationChanged);
}

void VpnManager::setTrafficSpeedDown(qint64 bytesPerSecond)
{
    assign(m_trafficSpeedDown, bytesPerSecond, &VpnManager::trafficSpeedDownChanged);
}

void VpnManager::setTrafficSpeedUp(qint64 bytesPerSecond)
{
    assign(m_trafficSpeedUp, bytesPerSecond, &VpnManager::trafficSpeedUpChanged);
}

void VpnManager::setTrafficHistoryDown(const QList<qint64>& speeds)
{
    assign(m_trafficHistoryDown, speeds, &VpnManager::trafficHistoryDownChanged);
}

void VpnManager::setTrafficHistoryUp(const QList<qint64>& speeds)
{
    assign(m_trafficHistoryUp, speeds, &VpnManager::trafficHistoryUpChanged);
}

void VpnManager::setConnectionLog(const QList<ConnectionLogEntry>& entries)
{
    assign(m_connectionLog, entries, &VpnManager::connectionLogChanged);
}

void VpnManager::clearConnectionLog() { setConnectionLog({}); }

void VpnManager::setProxyRunning(bool running)
{
    assign(m_isProxyRunning, running, &VpnManager::isProxyRunningChanged);
}

void VpnManager::setSystemProxyEnabled(bool enabled)
{
    assign(m_systemProxyEnabled, enabled, &VpnManager::systemProxyEnabledChanged);
}

void VpnManager::setProxyMode(ProxyMode mode)
{
    m_settings.setValue(SettingsKeys::proxyMode, rawValue(mode));
    assign(m_proxyMode, mode, &VpnManager::proxyModeChanged);
}

void VpnManager::setAutoReconnectEnabled(bool enabled)
{
    m_settings.setValue(SettingsKeys::autoReconnectEnabled, enabled);
    assign(m_autoReconnectEnabled, enabled, &VpnManager::autoReconnectEnabledChanged);
}

void VpnManager::setKillSwitchEnabled(bool enabled)
{
    // Runtime state only: releasing the rules at a disconnect must not erase the user's choice.
    assign(m_killSwitchEnabled, enabled, &VpnManager::killSwitchEnabledChanged);
    if (enabled != m_settings.boolOr(SettingsKeys::killSwitchRulesLoaded, false)) {
        if (enabled)
            m_settings.setValue(SettingsKeys::killSwitchRulesLoaded, true);
        else
            m_settings.remove(SettingsKeys::killSwitchRulesLoaded);
    }
}

void VpnManager::setSplitTunnelApps(const QStringList& paths)
{
    m_settings.setValue(SettingsKeys::splitTunnelApps, QJsonArray::fromStringList(paths));
    assign(m_splitTunnelApps, paths, &VpnManager::splitTunnelAppsChanged);
}

void VpnManager::addLog(ConnectionLogEntry::LogType type, const QString& message,
                        const std::optional<QString>& nodeName)
{
    m_connectionLog.prepend({QUuid::createUuid(), QDateTime::currentDateTime(), type, message, nodeName});
    emit connectionLogChanged();
    if (m_connectionLog.size() > maxLogEntries) {
        m_connectionLog.resize(maxLogEntries);
        emit connectionLogChanged();
    }
}

QString VpnManager::formatDuration(double seconds)
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

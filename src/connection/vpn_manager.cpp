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

VpnManager::VpnManager(SettingsStore& settings, ProcessRunner& processes, XrayManager& xray,
                       AdminScriptRunner& adminScripts, VpnTimings timings, QObject* parent)
    : VpnConnection(parent)
    , m_settings(settings)
    , m_systemProxy(processes, m_commands)
    , m_packetFilter([this]() -> AdminScriptRunner& { return m_prompts; }, m_commands, timings.resolve,
                     timings.nameLookupLimit)
    , m_xray(xray)
    , m_prompts(adminScripts)
    , m_timings(std::move(timings))
{
    publishProxyMode(settings.stringValue(SettingsKeys::proxyMode) == QLatin1String("tun") ? ProxyMode::tun
                                                                                           : ProxyMode::socks);
    publishAutoReconnectEnabled(settings.boolOr(SettingsKeys::autoReconnectEnabled, true));
    publishRoutingMode(m_xray.mode());
    followKillSwitchWish();
    connect(&m_xray, &XrayManager::modeChanged, this, [this] { publishRoutingMode(m_xray.mode()); });
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

void VpnManager::setProxyMode(ProxyMode mode)
{
    m_settings.setValue(SettingsKeys::proxyMode, rawValue(mode));
    publishProxyMode(mode);
}

void VpnManager::setAutoReconnectEnabled(bool enabled)
{
    m_settings.setValue(SettingsKeys::autoReconnectEnabled, enabled);
    publishAutoReconnectEnabled(enabled);
}

QCoro::Task<> VpnManager::setRoutingMode(QString mode) { return m_xray.setMode(std::move(mode)); }

void VpnManager::setKillSwitchEnabled(bool enabled)
{
    // Runtime state only: releasing the rules at a disconnect must not erase the user's choice.
    publishKillSwitchEnabled(enabled);
    if (enabled != m_settings.boolOr(SettingsKeys::killSwitchRulesLoaded, false)) {
        if (enabled)
            m_settings.setValue(SettingsKeys::killSwitchRulesLoaded, true);
        else
            m_settings.remove(SettingsKeys::killSwitchRulesLoaded);
    }
    // The release of the block empties the split anchor too.
    if (!enabled)
        m_settings.remove(SettingsKeys::splitTunnelRulesLoaded);
}

void VpnManager::setSplitTunnelApps(const QStringList& paths)
{
    m_settings.setValue(SettingsKeys::splitTunnelApps, QJsonArray::fromStringList(paths));
    publishSplitTunnelApps(paths);
}

#include "vpn_manager.h"

#include "background_task.h"
#include "platform/admin_script_runner.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/utf8_text.h"

#include <QCoroFuture>
#include <QJsonArray>
#include <QPointer>

#include <algorithm>
#include <set>

void VpnManager::enableKillSwitch()
{
    const auto service = detectActiveNetworkService();
    if (!service || !m_connectedNode) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("Kill Switch: 未检测到网络接口或未连接"));
        return;
    }
    // Only the connected node: the pass rule of a node switched away from goes with this load.
    if (loadKillSwitchRules({m_connectedNode->server}))
        addLog(ConnectionLogEntry::LogType::info, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"));
}

bool VpnManager::loadKillSwitchRules(const QStringList& servers)
{
    switch (m_packetFilter.loadKillSwitch(servers)) {
    case PacketFilter::Load::unsafeServer:
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("🔒 网络锁设置失败: 节点地址不是合法的主机名或 IP 地址"));
        return false;
    case PacketFilter::Load::failed:
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("🔒 网络锁设置失败"));
        return false;
    case PacketFilter::Load::loaded:
        break;
    }
    setKillSwitchEnabled(true);
    return true;
}

void VpnManager::letNodeOutThroughKillSwitch(const Node& node)
{
    if (!m_killSwitchEnabled || m_packetFilter.passedServers().contains(node.server))
        return;
    // The user turned the kill switch off while no connection could take the change.
    if (!m_settings.boolOr(SettingsKeys::killSwitchEnabled, false)) {
        disableKillSwitch();
        return;
    }
    // The rules stay in force: the new node's address is added beside the old one, which the
    // kill switch's start drops once the new connection is up.
    loadKillSwitchRules(m_packetFilter.passedServers() + QStringList{node.server});
}

void VpnManager::disableKillSwitch()
{
    if (!m_packetFilter.releaseKillSwitch()) {
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("🔓 网络锁释放异常"));
        return;
    }
    setKillSwitchEnabled(false);
    addLog(ConnectionLogEntry::LogType::info, QStringLiteral("🔓 网络锁已关闭"));
}

void VpnManager::loadSplitTunnelApps()
{
    QStringList paths;
    const auto stored = m_settings.value(SettingsKeys::splitTunnelApps);
    if (stored.isArray()) {
        const auto array = stored.toArray();
        // A list holding anything but texts is not a list of applications.
        const bool allTexts = std::all_of(array.begin(), array.end(), [](const QJsonValue& v) { return v.isString(); });
        if (allTexts) {
            for (const auto& value : array)
                paths.append(value.toString());
        }
    }
    setSplitTunnelApps(paths);
}

void VpnManager::addSplitTunnelApp(const QString& path)
{
    if (m_splitTunnelApps.contains(path))
        return;
    setSplitTunnelApps(m_splitTunnelApps + QStringList{path});
    applySplitTunnelRules();
}

void VpnManager::removeSplitTunnelApp(const QString& path)
{
    auto paths = m_splitTunnelApps;
    paths.removeAll(path);
    setSplitTunnelApps(paths);
    applySplitTunnelRules();
}

QList<quint32> VpnManager::splitTunnelUserIds()
{
    QList<qint32> processIds;
    for (const auto& path : m_splitTunnelApps) {
        // An argument of its own, never shell text: the path is pgrep's pattern as it is.
        const auto found = m_processes.run({QStringLiteral("/usr/bin/pgrep"), {QStringLiteral("-f"), path}});
        if (!found.started)
            continue;
        const auto text = decodeUtf8(found.output).value_or(QString()).trimmed();
        for (const auto& piece : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            bool ok = false;
            const auto pid = piece.toInt(&ok);
            if (ok)
                processIds.append(pid);
        }
    }
    std::set<quint32> userIds;
    for (const auto pid : processIds) {
        const auto owner = m_processes.run(
            {QStringLiteral("/bin/ps"), {QStringLiteral("-o"), QStringLiteral("uid="), QStringLiteral("-p"), QString::number(pid)}});
        const auto text = owner.started ? decodeUtf8(owner.output) : std::nullopt;
        if (!text)
            continue;
        bool ok = false;
        const auto uid = text->trimmed().toUInt(&ok);
        if (ok)
            userIds.insert(uid);
    }
    return QList<quint32>(userIds.begin(), userIds.end());
}

void VpnManager::applySplitTunnelRules()
{
    if (m_state != ConnectionState::connected || !m_isProxyRunning)
        return;
    // Only numbers of our own making reach the script, never a path.
    const auto userIds = splitTunnelUserIds();
    if (userIds.isEmpty())
        return;
    if (!m_packetFilter.loadSplitRules(userIds)) {
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("分应用代理规则设置失败"));
        return;
    }
    addLog(ConnectionLogEntry::LogType::info,
        QStringLiteral("分应用代理: ") + QString::number(m_splitTunnelApps.size()) + QStringLiteral(" 个应用已绕过 VPN"));
}

// What the root steps of a clean-up answered. Gathered without touching the manager's state, so
// that it can run on a worker thread while the window stays responsive.
struct VpnManager::CleanupAnswers {
    bool proxyOff = false;
    bool pfCleared = false;
    std::optional<bool> sudoersRemoved;
};

namespace {

// The SOCKS proxy off (through sudo, else the root fallback), the kill switch released, and the
// sudo entry removed when asked.
VpnManager::CleanupAnswers runCleanupCommands(SystemProxy& proxy, PacketFilter& filter,
    const std::optional<QString>& service, std::chrono::milliseconds limit, bool removeSudoers)
{
    VpnManager::CleanupAnswers answers;
    if (service) {
        answers.proxyOff
            = proxy.runPrivileged({QStringLiteral("-setsocksfirewallproxystate"), *service, QStringLiteral("off")}, limit)
            || filter.switchSocksProxyOff(*service);
    }
    answers.pfCleared = filter.releaseKillSwitch();
    if (removeSudoers)
        answers.sudoersRemoved = filter.removeSudoers();
    return answers;
}

} // namespace

VpnManager::CleanupResult VpnManager::cleanupSystemConfig(bool removeSudoers)
{
    const auto service = detectActiveNetworkService();
    return applyCleanup(service.has_value(),
        runCleanupCommands(m_systemProxy, m_packetFilter, service, m_timings.privilegedCommandLimit, removeSudoers));
}

QCoro::Task<VpnManager::CleanupResult> VpnManager::cleanupSystemConfigInBackground(bool removeSudoers)
{
    QPointer<VpnManager> self(this);
    const auto service = detectActiveNetworkService();
    auto* proxy = &m_systemProxy;
    auto* scripts = &adminScripts();
    const auto limit = m_timings.privilegedCommandLimit;
    // The administrator prompt waits for the user as long as it takes; the window goes on. The
    // worker has a filter of its own: the manager's is only touched on its thread.
    // A named future: this compiler destroys a lambda temporary inside co_await twice.
    auto commands = runInBackground([proxy, scripts, service, limit, removeSudoers] {
        PacketFilter filter([scripts]() -> AdminScriptRunner& { return *scripts; });
        return runCleanupCommands(*proxy, filter, service, limit, removeSudoers);
    });
    const auto answers = co_await commands;
    if (!self)
        co_return CleanupResult{};
    if (answers.pfCleared)
        m_packetFilter.forgetKillSwitch();
    co_return applyCleanup(service.has_value(), answers);
}

VpnManager::CleanupResult VpnManager::applyCleanup(bool hadService, const CleanupAnswers& answers)
{
    CleanupResult result;
    if (hadService) {
        if (!answers.proxyOff)
            addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("系统代理清理失败(权限受限)"));
        if (answers.proxyOff) {
            setSystemProxyEnabled(false);
            addLog(ConnectionLogEntry::LogType::info, QStringLiteral("系统代理已清理"));
            result.proxyOff = true;
        }
    }
    if (answers.pfCleared) {
        setKillSwitchEnabled(false);
        // The user asked for a clean system: the kill switch is not put back at the next connect.
        m_settings.setValue(SettingsKeys::killSwitchEnabled, false);
        result.pfCleared = true;
    }
    if (answers.sudoersRemoved) {
        result.sudoersRemoved = *answers.sudoersRemoved;
        if (result.sudoersRemoved)
            addLog(ConnectionLogEntry::LogType::info, QStringLiteral("已移除 networksetup 免密权限"));
        else
            addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("移除免密权限失败"));
    }
    return result;
}

void VpnManager::recoverLeftoverKillSwitch()
{
    if (m_killSwitchEnabled || !m_settings.boolOr(SettingsKeys::killSwitchRulesLoaded, false))
        return;
    if (m_settings.boolOr(SettingsKeys::killSwitchEnabled, false)) {
        setKillSwitchEnabled(true);
        addLog(ConnectionLogEntry::LogType::info, QStringLiteral("🔒 上次运行留下的网络锁仍在生效"));
        return;
    }
    disableKillSwitch();
}

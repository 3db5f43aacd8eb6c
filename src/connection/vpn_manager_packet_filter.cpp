#include "vpn_manager.h"

#include "background_task.h"
#include "packet_filter_scripts.h"
#include "platform/admin_script_runner.h"
#include "platform/process_runner.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/utf8_text.h"

#include <QCoroFuture>
#include <QJsonArray>
#include <QPointer>

#include <set>

void VpnManager::enableKillSwitch()
{
    const auto service = detectActiveNetworkService();
    if (!service || !m_connectedNode) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("Kill Switch: 未检测到网络接口或未连接"));
        return;
    }
    // The server text comes from the service and the script runs as root.
    const auto server = m_connectedNode->server;
    if (!PacketFilterScripts::isSafeHost(server)) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("🔒 网络锁设置失败: 节点地址不是合法的主机名或 IP 地址"));
        return;
    }
    if (!adminScripts().run(PacketFilterScripts::killSwitchStart(server)).succeeded) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("🔒 网络锁设置失败"));
        return;
    }
    setKillSwitchEnabled(true);
    addLog(ConnectionLogEntry::LogType::info, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"));
}

void VpnManager::disableKillSwitch()
{
    if (!adminScripts().run(PacketFilterScripts::killSwitchStop()).succeeded) {
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
    if (!adminScripts().run(PacketFilterScripts::splitRules(userIds)).succeeded) {
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("分应用代理规则设置失败"));
        return;
    }
    addLog(ConnectionLogEntry::LogType::info,
        QStringLiteral("分应用代理: ") + QString::number(m_splitTunnelApps.size()) + QStringLiteral(" 个应用已绕过 VPN"));
}

// What the privileged commands of a clean-up answered. Made without touching the manager, so
// that it can run on a worker thread while the window stays responsive.
struct VpnManager::CleanupAnswers {
    bool proxyOffBySudo = false;
    std::optional<bool> proxyOffByScript;
    bool pfCleared = false;
    std::optional<bool> sudoersRemoved;
};

namespace {

// `switchOff` is the password-less command for the service, absent when no service was found.
VpnManager::CleanupAnswers runCleanupCommands(ProcessRunner& processes, AdminScriptRunner& scripts,
    const std::optional<QString>& service, const std::optional<ProcessRequest>& switchOff, bool removeSudoers)
{
    VpnManager::CleanupAnswers answers;
    if (service && switchOff) {
        answers.proxyOffBySudo = processes.run(*switchOff).succeeded();
        if (!answers.proxyOffBySudo)
            answers.proxyOffByScript = scripts.run(PacketFilterScripts::proxyFallback(*service)).succeeded;
    }
    answers.pfCleared = scripts.run(PacketFilterScripts::killSwitchStop()).succeeded;
    if (removeSudoers)
        answers.sudoersRemoved = scripts.run(PacketFilterScripts::sudoersRemoval()).succeeded;
    return answers;
}

} // namespace

VpnManager::CleanupResult VpnManager::cleanupSystemConfig(bool removeSudoers)
{
    const auto service = detectActiveNetworkService();
    const auto switchOff = proxySwitchOffRequest(service);
    return applyCleanup(service.has_value(), runCleanupCommands(m_processes, adminScripts(), service, switchOff, removeSudoers));
}

QCoro::Task<VpnManager::CleanupResult> VpnManager::cleanupSystemConfigInBackground(bool removeSudoers)
{
    QPointer<VpnManager> self(this);
    const auto service = detectActiveNetworkService();
    const auto switchOff = proxySwitchOffRequest(service);
    auto* processes = &m_processes;
    auto* scripts = &adminScripts();
    // The administrator prompt waits for the user as long as it takes; the window goes on.
    // A named future: this compiler destroys a lambda temporary inside co_await twice.
    auto commands = runInBackground([processes, scripts, service, switchOff, removeSudoers] {
        return runCleanupCommands(*processes, *scripts, service, switchOff, removeSudoers);
    });
    const auto answers = co_await commands;
    if (!self)
        co_return CleanupResult{};
    co_return applyCleanup(service.has_value(), answers);
}

VpnManager::CleanupResult VpnManager::applyCleanup(bool hadService, const CleanupAnswers& answers)
{
    CleanupResult result;
    if (hadService) {
        const bool off = answers.proxyOffBySudo || answers.proxyOffByScript.value_or(false);
        if (!off)
            addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("系统代理清理失败(权限受限)"));
        if (off) {
            setSystemProxyEnabled(false);
            addLog(ConnectionLogEntry::LogType::info, QStringLiteral("系统代理已清理"));
            result.proxyOff = true;
        }
    }
    if (answers.pfCleared) {
        setKillSwitchEnabled(false);
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

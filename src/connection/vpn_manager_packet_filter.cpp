#include "vpn_manager.h"

#include "platform/exempted_program.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"

#include <QJsonArray>
#include <QPointer>

#include <algorithm>

#include <unistd.h>

namespace {

// Why rules that did not load leave the kill switch not in force, for the screens.
QString notInForceReason(PacketFilter::Load load)
{
    switch (load) {
    case PacketFilter::Load::notAuthorized:
        return QStringLiteral("未获得管理员授权");
    case PacketFilter::Load::untrustedInstall:
        return QStringLiteral("当前安装位置不受信任，请安装到系统目录");
    case PacketFilter::Load::unsafeServer:
        return QStringLiteral("节点地址无法放行");
    case PacketFilter::Load::failed:
    case PacketFilter::Load::loaded:
        break;
    }
    return QStringLiteral("规则加载失败");
}

// A listed path as the log shows it: it comes from the settings file, which the user may edit, so
// it is drawn on one line, without characters that are not drawn, and cut after so many.
QString shownPath(const QString& path)
{
    constexpr size_t kShownLength = 160;
    auto points = path.toStdU32String();
    for (auto& c : points) {
        const auto category = QChar::category(c);
        if (!QChar::isPrint(c) || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            c = U'\uFFFD';
    }
    if (points.size() > kShownLength) {
        points.resize(kShownLength);
        points += U'…';
    }
    return QString::fromStdU32String(points);
}

// The line that says a listed entry is not let out past the block, and why.
QString notLetOutLine(const QString& path, ExemptedProgram::Refusal refusal)
{
    return QStringLiteral("分应用代理: 未放行 ") + shownPath(path) + QStringLiteral(" (")
        + ExemptedProgram::reasonText(refusal) + QLatin1Char(')');
}

struct JudgedList {
    QStringList letOut;
    QList<std::pair<QString, ExemptedProgram::Refusal>> refused;
};

// The listed entries as their files stand now: one that has become a shell, a script or a folder
// since it was chosen is left out of the exemption, never failing it for the others.
JudgedList judged(const QStringList& listed)
{
    JudgedList list;
    for (const auto& path : listed) {
        if (const auto refusal = ExemptedProgram::refusalOf(path); refusal != ExemptedProgram::Refusal::none)
            list.refused.append({path, refusal});
        else
            list.letOut.append(path);
    }
    return list;
}

} // namespace

void VpnManager::followKillSwitchWish()
{
    const auto publish = [this] { publishKillSwitchWanted(m_settings.boolOr(SettingsKeys::killSwitchEnabled, false)); };
    publish();
    connect(&m_settings, &SettingsStore::valueChanged, this, [publish](const QString& key) {
        if (key == SettingsKeys::killSwitchEnabled)
            publish();
    });
}

QCoro::Task<> VpnManager::enableKillSwitch()
{
    QPointer<VpnManager> self(this);
    const auto generation = m_connectGeneration;
    const auto node = connectedNode();
    const auto service = co_await detectActiveNetworkService();
    if (!self || overtaken(generation))
        co_return;
    if (!service || !node) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("Kill Switch: 未检测到网络接口或未连接"));
        publishKillSwitchNotInForce(QStringLiteral("未检测到网络服务"));
        co_return;
    }
    // Only the connected node: the pass rule of a node switched away from goes with this load.
    // (Arguments named before the await: GCC mishandles braced temporaries inside co_await.)
    const QStringList servers{node->server};
    const auto load = co_await loadKillSwitchRules(servers);
    if (!self)
        co_return;
    if (load != PacketFilter::Load::loaded) {
        // Rules still loaded from before (a reconnect, a switch) hold, and the notice stays away.
        publishKillSwitchNotInForce(notInForceReason(load));
        co_return;
    }
    addLog(ConnectionLogEntry::LogType::info, QStringLiteral("🔒 网络锁已开启,非 VPN 流量已被阻止"));
    // The exemption comes with the block, for the list as the user last left it; a reconnect
    // finds it loaded already.
    loadSplitTunnelApps();
    if (m_packetFilter.exemptedPrograms() != judged(splitTunnelApps()).letOut)
        co_await applySplitTunnelRules();
}

QCoro::Task<PacketFilter::Load> VpnManager::loadKillSwitchRules(QStringList servers)
{
    QPointer<VpnManager> self(this);
    const auto load = co_await loadMarkedAhead(std::move(servers));
    if (!self)
        co_return load;
    switch (load) {
    case PacketFilter::Load::unsafeServer: {
        addLog(ConnectionLogEntry::LogType::error,
               QStringLiteral("🔒 网络锁设置失败: 节点地址不是合法的主机名或 IP 地址"));
        // No rule of an earlier node may stay to carry a tunnel that is not there, nor may the
        // lock open.
        co_await blockWithoutTunnel();
        co_return load;
    }
    case PacketFilter::Load::failed:
    case PacketFilter::Load::notAuthorized:
    case PacketFilter::Load::untrustedInstall:
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("🔒 网络锁设置失败"));
        co_return load;
    case PacketFilter::Load::loaded:
        break;
    }
    setKillSwitchEnabled(true);
    co_return load;
}

void VpnManager::markRulesLoadedAhead()
{
    // The marker goes first: a run killed while the script loads the rules leaves them loaded, and
    // the next launch must know to take them over or release them.
    m_settings.setValue(SettingsKeys::killSwitchRulesLoaded, true);
}

void VpnManager::unmarkRulesUnlessLoaded(bool loaded)
{
    if (!loaded && !killSwitchEnabled())
        m_settings.remove(SettingsKeys::killSwitchRulesLoaded);
}

QCoro::Task<PacketFilter::Load> VpnManager::loadMarkedAhead(QStringList servers)
{
    markRulesLoadedAhead();
    QPointer<VpnManager> self(this);
    const auto load = co_await m_packetFilter.loadKillSwitch(std::move(servers));
    if (self)
        unmarkRulesUnlessLoaded(load == PacketFilter::Load::loaded);
    co_return load;
}

QList<PacketFilterScripts::TcpDestination> VpnManager::listedNodeDestinations() const
{
    QList<PacketFilterScripts::TcpDestination> destinations;
    for (const auto& node : m_listedNodes ? m_listedNodes() : QList<Node>()) {
        // The port comes from the service: one outside the range lets nothing out.
        if (node.port > 0 && node.port <= 65535)
            destinations.append({node.server, quint16(node.port)});
    }
    return destinations;
}

QCoro::Task<bool> VpnManager::blockWithoutTunnel()
{
    QPointer<VpnManager> self(this);
    QStringList hosts;
    for (const auto& host : m_serviceHosts ? m_serviceHosts() : QStringList())
        if (!host.isEmpty() && !hosts.contains(host))
            hosts.append(host);
    markRulesLoadedAhead();
    // Each name on its own: one the service lists but that resolves to nothing is left out, and
    // the rest still let out, never the rules of before.
    const auto block = co_await m_packetFilter.loadBlockWithoutTunnel(hosts, listedNodeDestinations());
    if (!self)
        co_return false;
    unmarkRulesUnlessLoaded(block.load == PacketFilter::Load::loaded);
    for (const auto& name : block.unresolved)
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("🔒 网络锁未放行无法解析的地址: ") + name);
    if (block.load != PacketFilter::Load::loaded) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("🔒 网络锁设置失败"));
        co_return false;
    }
    setKillSwitchEnabled(true);
    addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("🔒 网络锁仍在生效,仅放行本应用的服务请求"));
    co_return true;
}

QCoro::Task<> VpnManager::listedNodesChanged()
{
    // Only a block that holds without a tunnel, and no connect under way: a connect replaces the
    // rules with its node's. An unchanged list needs no new load (nor a prompt).
    const auto loadedFor = m_packetFilter.nodesOfBlockWithoutTunnel();
    if (!killSwitchEnabled() || !loadedFor || state() != ConnectionState::disconnected
        || *loadedFor == listedNodeDestinations())
        co_return;
    co_await blockWithoutTunnel();
}

QCoro::Task<> VpnManager::rulesSettled()
{
    // The queue runs its jobs in order: an empty one ends after every load queued before it.
    co_await m_commands.run([] {});
}

QCoro::Task<std::optional<VpnError>> VpnManager::letNodeOutThroughKillSwitch(Node node)
{
    QPointer<VpnManager> self(this);
    const bool wanted = m_settings.boolOr(SettingsKeys::killSwitchEnabled, false);
    if (!killSwitchEnabled()) {
        // The rules come once connected: a node they cannot let out would be connected with the
        // lock open.
        if (!wanted || co_await m_packetFilter.canLetOut(node.server))
            co_return std::nullopt;
        if (self)
            addLog(ConnectionLogEntry::LogType::error,
                   QStringLiteral("🔒 网络锁设置失败: 节点地址不是合法的主机名或 IP 地址"));
        co_return VpnError::nodeNotLetOut();
    }
    if (m_packetFilter.passedServers().contains(node.server))
        co_return std::nullopt;
    // The user turned the kill switch off while no connection could take the change.
    if (!wanted) {
        co_await disableKillSwitch();
        if (!self || !killSwitchEnabled())
            co_return std::nullopt;
        // Not released (the prompt refused): the rules of before hold and let only their servers out.
        addLog(ConnectionLogEntry::LogType::error, VpnError::killSwitchNotReloaded().description());
        co_return VpnError::killSwitchNotReloaded();
    }
    // The rules stay in force: the new node's address is added beside the old one, which the
    // kill switch's start drops once the new connection is up.
    const auto servers = m_packetFilter.passedServers() + QStringList{node.server};
    const auto load = co_await loadKillSwitchRules(servers);
    if (load == PacketFilter::Load::loaded)
        co_return std::nullopt;
    if (load == PacketFilter::Load::unsafeServer)
        co_return VpnError::nodeNotLetOut();
    // The old rules hold and let only the old node out: dialled anyway, the new node would be a
    // dead tunnel shown as connected.
    if (self)
        addLog(ConnectionLogEntry::LogType::error, VpnError::killSwitchNotReloaded().description());
    co_return VpnError::killSwitchNotReloaded();
}

QCoro::Task<> VpnManager::disableKillSwitch()
{
    // Turned off by the user, or released with the connection: nothing is wanted in force any more.
    publishKillSwitchNotInForce({});
    QPointer<VpnManager> self(this);
    const bool released = co_await m_packetFilter.releaseKillSwitch();
    if (!self)
        co_return;
    if (!released) {
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("🔓 网络锁释放异常"));
        co_return;
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
        // Kept as stored, refused entries too: whether an entry is let out is judged at each load
        // of the rules, as its file stands then, and only the user removes one.
        if (allTexts) {
            for (const auto& value : array)
                paths.append(value.toString());
        }
    }
    setSplitTunnelApps(paths);
}

bool VpnManager::mayBeExempted(const QString& path)
{
    const auto refusal = ExemptedProgram::refusalOf(path);
    if (refusal == ExemptedProgram::Refusal::none)
        return true;
    addLog(ConnectionLogEntry::LogType::warning, notLetOutLine(path, refusal));
    return false;
}

QCoro::Task<> VpnManager::addSplitTunnelApp(QString path)
{
    if (splitTunnelApps().contains(path) || !mayBeExempted(path))
        co_return;
    setSplitTunnelApps(splitTunnelApps() + QStringList{path});
    co_await applySplitTunnelRules();
}

QCoro::Task<> VpnManager::removeSplitTunnelApp(QString path)
{
    auto paths = splitTunnelApps();
    paths.removeAll(path);
    setSplitTunnelApps(paths);
    co_await applySplitTunnelRules();
}

QCoro::Task<> VpnManager::applySplitTunnelRules()
{
    // Without the block there is nothing to let programs out past.
    if (!killSwitchEnabled())
        co_return;
    QPointer<VpnManager> self(this);
    const auto list = judged(splitTunnelApps());
    for (const auto& [path, refusal] : list.refused)
        addLog(ConnectionLogEntry::LogType::warning, notLetOutLine(path, refusal));
    const auto programs = list.letOut;
    // An exemption a killed run left is known only by its marker: an emptied list removes it too.
    const bool mayBeLoaded = !m_packetFilter.exemptedPrograms().isEmpty()
        || m_settings.boolOr(SettingsKeys::splitTunnelRulesLoaded, false);
    if (programs.isEmpty() && !mayBeLoaded)
        co_return;
    // Marked before the load, as the block is: a run killed meanwhile leaves the rules loaded.
    if (!programs.isEmpty())
        m_settings.setValue(SettingsKeys::splitTunnelRulesLoaded, true);
    // The programs of this user only: another user's process is no part of the user's choice.
    const auto user = quint32(::getuid());
    auto changing
        = programs.isEmpty() ? m_packetFilter.releaseSplitRules() : m_packetFilter.loadSplitRules(programs, user);
    const bool loaded = co_await std::move(changing);
    if (!self)
        co_return;
    if (loaded && programs.isEmpty())
        m_settings.remove(SettingsKeys::splitTunnelRulesLoaded);
    if (!loaded) {
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("分应用代理规则设置失败"));
        addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("分应用代理未生效,所选应用同样被网络锁拦截"));
        co_return;
    }
    addLog(ConnectionLogEntry::LogType::info,
           QStringLiteral("分应用代理: ") + QString::number(programs.size()) + QStringLiteral(" 个应用已绕过 VPN"));
}

QCoro::Task<VpnManager::CleanupResult> VpnManager::cleanupSystemConfig(bool removeSudoers)
{
    QPointer<VpnManager> self(this);
    CleanupResult result;
    const auto service = co_await detectActiveNetworkService();
    if (!self)
        co_return result;
    if (service) {
        const QStringList switchOff{QStringLiteral("-setsocksfirewallproxystate"), *service, QStringLiteral("off")};
        bool off = co_await changeProxySetting(switchOff, CommandWait::upToLimit);
        if (!self)
            co_return result;
        if (!off) {
            off = co_await m_packetFilter.switchSocksProxyOff(*service);
            if (!self)
                co_return result;
            if (!off)
                addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("系统代理清理失败(权限受限)"));
        }
        if (off) {
            setSystemProxyEnabled(false);
            addLog(ConnectionLogEntry::LogType::info, QStringLiteral("系统代理已清理"));
            result.proxyOff = true;
        }
    }
    const bool cleared = co_await m_packetFilter.releaseKillSwitch();
    if (!self)
        co_return result;
    if (cleared) {
        setKillSwitchEnabled(false);
        // The user asked for a clean system: the kill switch is not put back at the next connect.
        m_settings.setValue(SettingsKeys::killSwitchEnabled, false);
        result.pfCleared = true;
    }
    if (removeSudoers) {
        result.sudoersRemoved = co_await m_packetFilter.removeSudoers();
        if (!self)
            co_return result;
        if (result.sudoersRemoved)
            addLog(ConnectionLogEntry::LogType::info, QStringLiteral("已移除 networksetup 免密权限"));
        else
            addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("移除免密权限失败"));
    }
    co_return result;
}

QCoro::Task<> VpnManager::recoverLeftoverKillSwitch()
{
    const bool blockLeft = m_settings.boolOr(SettingsKeys::killSwitchRulesLoaded, false);
    const bool exemptionLeft = m_settings.boolOr(SettingsKeys::splitTunnelRulesLoaded, false);
    if (killSwitchEnabled() || (!blockLeft && !exemptionLeft))
        co_return;
    // An exemption without its block is nothing to take over: the release empties both anchors.
    if (!blockLeft || !m_settings.boolOr(SettingsKeys::killSwitchEnabled, false)) {
        co_await disableKillSwitch();
        co_return;
    }
    // One action: a prompt refused for the block is not followed by one for the exemption.
    const auto action = m_prompts.action();
    QPointer<VpnManager> self(this);
    setKillSwitchEnabled(true);
    addLog(ConnectionLogEntry::LogType::info, QStringLiteral("🔒 上次运行留下的网络锁仍在生效"));
    // The killed run's rules let out only its node: without the service the user could
    // neither sign in nor fetch a node to connect to.
    if (m_serviceHosts && !m_serviceHosts().isEmpty())
        co_await blockWithoutTunnel();
    if (!self)
        co_return;
    // The exemption as the list stands now: the killed run's rules are replaced, or removed
    // when the list is empty.
    loadSplitTunnelApps();
    co_await applySplitTunnelRules();
}

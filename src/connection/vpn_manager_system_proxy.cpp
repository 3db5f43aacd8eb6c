#include "vpn_manager.h"

#include <QPointer>

QCoro::Task<std::optional<QString>> VpnManager::detectActiveNetworkService() { return m_systemProxy.activeService(); }

QCoro::Task<bool> VpnManager::changeProxySetting(QStringList arguments, CommandWait wait)
{
    const auto limit
        = wait == CommandWait::upToLimit ? m_timings.privilegedCommandLimit : std::chrono::milliseconds(-1);
    return m_systemProxy.runPrivileged(std::move(arguments), limit);
}

QCoro::Task<> VpnManager::setSystemProxy(bool enabled)
{
    QPointer<VpnManager> self(this);
    auto switching = m_systemProxy.switchSocks(enabled, proxyPort, m_timings.privilegedCommandLimit);
    const auto outcome = co_await std::move(switching);
    if (!self)
        co_return;
    if (!outcome.serviceFound) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("无法检测网络接口"));
        co_return;
    }
    if (!outcome.succeeded) {
        addLog(ConnectionLogEntry::LogType::error,
               (enabled ? QStringLiteral("设置") : QStringLiteral("关闭"))
                   + QStringLiteral("系统代理失败: 未配置 networksetup 免密权限"));
        co_return;
    }
    setSystemProxyEnabled(enabled);
    addLog(ConnectionLogEntry::LogType::info,
           enabled ? QStringLiteral("系统代理已设置 (SOCKS5 127.0.0.1:%1)").arg(proxyPort)
                   : QStringLiteral("系统代理已关闭"));
    if (outcome.onSecondAttempt)
        startPrivilegeRefresh();
}

QCoro::Task<bool> VpnManager::pointSystemProxiesAtCore(QString service, quint64 generation)
{
    QPointer<VpnManager> self(this);
    const auto commands = SystemProxy::pointAtCoreArguments(service, httpPort, proxyPort);
    m_systemProxyTouched = true;
    bool allOn = true;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        // A disconnect that comes meanwhile queues its "off" behind the command under way, and
        // this connect queues nothing more.
        const bool succeeded = co_await changeProxySetting(commands[i], CommandWait::untilDone);
        if (!self || overtaken(generation))
            co_return false;
        if (i >= 3)
            allOn = allOn && succeeded;
    }
    if (allOn)
        setSystemProxyEnabled(true);
    co_return true;
}

QCoro::Task<bool> VpnManager::checkProxyState(QString service, int port)
{
    const auto setting = co_await m_systemProxy.read(std::move(service), SystemProxy::Kind::socks);
    co_return SystemProxy::pointsAt(setting, {port});
}

QCoro::Task<> VpnManager::clearLeftoverSystemProxy()
{
    // A connection made since launch has set the proxies itself.
    if (state() != ConnectionState::disconnected)
        co_return;
    QPointer<VpnManager> self(this);
    m_leftoverClearing = std::make_shared<std::atomic<bool>>(false);
    const QList<int> corePorts{proxyPort, httpPort};
    const auto cleared
        = co_await m_systemProxy.clearLeftovers(corePorts, m_timings.privilegedCommandLimit, m_leftoverClearing);
    if (!self)
        co_return;
    if (cleared.contains(SystemProxy::Kind::socks) && state() == ConnectionState::disconnected)
        setSystemProxyEnabled(false);
}

void VpnManager::startPrivilegeRefresh()
{
    if (m_privilegeRefreshTimer)
        return;
    m_privilegeRefreshTimer = std::make_unique<QTimer>();
    m_privilegeRefreshTimer->setInterval(m_timings.privilegeRefreshInterval);
    connect(m_privilegeRefreshTimer.get(), &QTimer::timeout, this, &VpnManager::refreshPrivilege);
    m_privilegeRefreshTimer->start();
    refreshPrivilege();
}

void VpnManager::refreshPrivilege()
{
    // Nobody waits for the outcome.
    m_systemProxy.refreshSudoCredential();
}

#include "vpn_manager.h"


#include <QPointer>

namespace {

const QString kLocalHost = QStringLiteral("127.0.0.1");

} // namespace

std::optional<QString> VpnManager::detectActiveNetworkService()
{
    return m_systemProxy.activeService();
}

bool VpnManager::runNetworksetupSudo(const QStringList& arguments)
{
    return m_systemProxy.runPrivileged(arguments, m_timings.privilegedCommandLimit);
}

QCoro::Task<bool> VpnManager::runNetworksetupSudoAsync(QStringList arguments)
{
    return m_systemProxy.runPrivilegedInBackground(std::move(arguments), std::chrono::milliseconds(-1));
}

void VpnManager::setSystemProxy(bool enabled)
{
    const auto service = detectActiveNetworkService();
    if (!service) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("无法检测网络接口"));
        return;
    }
    const QStringList setProxy{QStringLiteral("-setsocksfirewallproxy"), *service, kLocalHost, QString::number(proxyPort)};
    const QStringList switchProxy{QStringLiteral("-setsocksfirewallproxystate"), *service,
        enabled ? QStringLiteral("on") : QStringLiteral("off")};
    const auto succeeded = [&] {
        setSystemProxyEnabled(enabled);
        addLog(ConnectionLogEntry::LogType::info,
            enabled ? QStringLiteral("系统代理已设置 (SOCKS5 127.0.0.1:%1)").arg(proxyPort) : QStringLiteral("系统代理已关闭"));
    };
    if (runNetworksetupSudo(enabled ? setProxy : switchProxy)) {
        succeeded();
        return;
    }
    bool secondAttempt = false;
    if (enabled) {
        const bool set = runNetworksetupSudo(setProxy);
        const bool on = runNetworksetupSudo(switchProxy);
        secondAttempt = set && on;
    } else {
        secondAttempt = runNetworksetupSudo(switchProxy);
    }
    if (secondAttempt) {
        succeeded();
        startSudoKeepalive();
        return;
    }
    addLog(ConnectionLogEntry::LogType::error,
        (enabled ? QStringLiteral("设置") : QStringLiteral("关闭")) + QStringLiteral("系统代理失败: 未配置 networksetup 免密权限"));
}

QCoro::Task<bool> VpnManager::pointSystemProxiesAtCore(QString service, quint64 generation)
{
    QPointer<VpnManager> self(this);
    QList<QStringList> commands{
        {QStringLiteral("-setwebproxy"), service, kLocalHost, QString::number(httpPort)},
        {QStringLiteral("-setsecurewebproxy"), service, kLocalHost, QString::number(httpPort)},
        {QStringLiteral("-setsocksfirewallproxy"), service, kLocalHost, QString::number(proxyPort)},
    };
    for (const auto kind : SystemProxy::allKinds)
        commands.append(SystemProxy::switchArguments(kind, service, true));
    m_systemProxyTouched = true;
    bool allOn = true;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const QStringList command = commands[i];
        const bool succeeded = co_await runNetworksetupSudoAsync(command);
        if (!self)
            co_return false;
        if (overtaken(generation)) {
            // A disconnect switched the proxies off while this command ran, which may have
            // switched one on again afterwards. Off they go, unless a newer connect is under way:
            // then it succeeds and sets them itself, or fails and switches them off.
            if (m_state == ConnectionState::disconnected)
                switchSystemProxiesOff(service);
            else
                m_systemProxyTouched = true;
            co_return false;
        }
        if (i >= 3)
            allOn = allOn && succeeded;
    }
    if (allOn)
        setSystemProxyEnabled(true);
    co_return true;
}

bool VpnManager::switchSystemProxiesOff(const QString& service)
{
    bool last = false;
    for (const auto kind : SystemProxy::allKinds)
        last = runNetworksetupSudo(SystemProxy::switchArguments(kind, service, false));
    return last;
}

void VpnManager::forceClearSystemProxy(const QString& service)
{
    switchSystemProxiesOff(service);
    QTimer::singleShot(m_timings.proxyClearedDelay, this, [this] { setSystemProxyEnabled(false); });
}

bool VpnManager::checkProxyState(const QString& service, int port)
{
    return SystemProxy::pointsAt(m_systemProxy.read(service, SystemProxy::Kind::socks), {port});
}

QCoro::Task<> VpnManager::clearLeftoverSystemProxy()
{
    // A connection made since launch has set the proxies itself.
    if (m_state != ConnectionState::disconnected)
        co_return;
    QPointer<VpnManager> self(this);
    m_leftoverClearing = std::make_shared<std::atomic<bool>>(false);
    const QList<int> corePorts{proxyPort, httpPort};
    const auto cleared = co_await m_systemProxy.clearLeftoversInBackground(corePorts, m_timings.privilegedCommandLimit, m_leftoverClearing);
    if (!self)
        co_return;
    if (cleared.contains(SystemProxy::Kind::socks) && m_state == ConnectionState::disconnected)
        setSystemProxyEnabled(false);
}

void VpnManager::startSudoKeepalive()
{
    if (m_sudoKeepaliveTimer)
        return;
    m_sudoKeepaliveTimer = std::make_unique<QTimer>();
    m_sudoKeepaliveTimer->setInterval(m_timings.sudoKeepaliveInterval);
    connect(m_sudoKeepaliveTimer.get(), &QTimer::timeout, this, &VpnManager::refreshSudoCredential);
    m_sudoKeepaliveTimer->start();
    refreshSudoCredential();
}

void VpnManager::refreshSudoCredential()
{
    m_systemProxy.refreshSudoCredential();
}

#include "vpn_manager.h"

#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "vpn_error.h"
#include "xray_error.h"
#include "xray_manager.h"

#include <QCoroFuture>
#include <QCoroTimer>
#include <QEventLoop>
#include <QPointer>
#include <QPromise>

namespace {

QString localProxyLine() { return QStringLiteral("本地代理: 127.0.0.1:") + QString::number(VpnManager::proxyPort); }

// Owns the task, so that it runs on after a wait for it was given up.
QCoro::Task<> quitWhenDone(QCoro::Task<> task, QPointer<QEventLoop> loop)
{
    co_await std::move(task);
    if (loop)
        loop->quit();
}

} // namespace

QCoro::Task<> VpnManager::connectTo(Node node) { return connectWithRetries(std::move(node), ConnectRequest::user); }

QCoro::Task<> VpnManager::connectWithRetries(Node node, ConnectRequest request)
{
    // A connect is one action, a switch's end of the connection before included: one prompt
    // refused is the answer for the rest of it.
    const auto action = m_prompts.action();
    *m_leftoverClearing = true;
    QPointer<VpnManager> self(this);
    // A disconnect under way ends first; a disconnect or another connect asked for meanwhile
    // decides instead of this one.
    if (tearingDown()) {
        const auto asked = ++m_connectGeneration;
        co_await tearDownFinished();
        if (!self || overtaken(asked))
            co_return;
    }
    if (state() == ConnectionState::connected || state() == ConnectionState::connecting) {
        if (connectedNode() && connectedNode()->id == node.id)
            co_return;
        const QString from = connectedNode() ? connectedNode()->name : QStringLiteral("当前节点");
        addLog(ConnectionLogEntry::LogType::info,
               QStringLiteral("切换节点: ") + from + QStringLiteral(" → ") + node.name);
        // A switch is no end of the user's protection: the kill switch stays in force.
        auto ending = endConnection(KillSwitch::keep);
        const auto asked = m_connectGeneration;
        co_await std::move(ending);
        if (!self || overtaken(asked))
            co_return;
    }
    const auto generation = ++m_connectGeneration;
    int failures = 0;
    for (;;) {
        std::optional<VpnError> failure;
        try {
            co_await attemptConnect(node, generation);
        } catch (const VpnError& error) {
            failure = error;
        }
        if (!self || overtaken(generation) || !failure)
            co_return;
        ++failures;
        if (failures < maxConnectAttempts && failure->worthRetrying()) {
            const auto count = QString::number(failures);
            addLog(ConnectionLogEntry::LogType::warning,
                   QStringLiteral("连接失败,") + count + QStringLiteral("秒后重试(") + count + QLatin1Char('/')
                       + QString::number(maxConnectAttempts) + QLatin1Char(')'));
            const auto wait = failures * m_timings.retryWaitUnit;
            co_await QCoro::sleepFor(wait);
            if (!self || overtaken(generation))
                co_return;
            continue;
        }
        if (failure->worthRetrying())
            addLog(ConnectionLogEntry::LogType::error, QStringLiteral("连接失败:已达到最大重试次数"));
        setState(ConnectionState::disconnected);
        setConnectedNode(std::nullopt);
        // An automatic reconnect that failed leaves the lost connection's proxies and timers
        // behind, which point at dead ports. It gives up, and so releases the kill switch too; a
        // failed connect that the user asked for keeps it in force until the user disconnects.
        const auto killSwitch = request == ConnectRequest::automatic ? KillSwitch::release : KillSwitch::keep;
        if (holdsConnection(killSwitch))
            co_await tearDown(killSwitch);
        // The block that stays lets the service out instead of a node that carries nothing; after
        // a refused prompt the rules of before hold, and the screens show their block.
        if (self && !overtaken(generation) && killSwitch == KillSwitch::keep && killSwitchEnabled()
            && !m_prompts.refused())
            co_await blockWithoutTunnel();
        throw *failure;
    }
}

QCoro::Task<> VpnManager::attemptConnect(Node node, quint64 generation)
{
    QPointer<VpnManager> self(this);
    setState(ConnectionState::connecting);
    setConnectedNode(node);
    const auto sni = XrayManager::serverNameFor(node);
    if (proxyMode() == ProxyMode::tun)
        addLog(ConnectionLogEntry::LogType::info, QStringLiteral("TUN 模式即将支持,当前使用本地代理模式"));

    const auto notLetOut = co_await letNodeOutThroughKillSwitch(node);
    if (!self || overtaken(generation))
        co_return;
    if (notLetOut) {
        setState(ConnectionState::disconnected);
        setConnectedNode(std::nullopt);
        throw *notLetOut;
    }
    std::optional<XrayError> startFailure;
    const std::optional<QString> serverName = sni;
    try {
        co_await m_xray.start(node, serverName);
    } catch (const XrayError& error) {
        startFailure = error;
    }
    if (!self || overtaken(generation))
        co_return;
    if (startFailure) {
        setState(ConnectionState::disconnected);
        setConnectedNode(std::nullopt);
        setProxyRunning(false);
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("代理内核启动失败: ") + startFailure->description());
        throw VpnError::proxyStartFailed(1);
    }
    setProxyRunning(true);
    if (proxyMode() == ProxyMode::socks)
        addLog(ConnectionLogEntry::LogType::info,
               QStringLiteral("xray 内核已启动,本地代理 127.0.0.1:") + QString::number(proxyPort));

    const auto service = co_await detectActiveNetworkService();
    if (!self || overtaken(generation))
        co_return;
    if (service) {
        const bool current = co_await pointSystemProxiesAtCore(*service, generation);
        if (!self || !current)
            co_return;
        if (proxyMode() == ProxyMode::tun)
            addLog(ConnectionLogEntry::LogType::info, localProxyLine());
    } else if (proxyMode() == ProxyMode::tun) {
        addLog(ConnectionLogEntry::LogType::info, localProxyLine());
    }

    setTrafficDown(0);
    setTrafficUp(0);
    setTrafficSpeedDown(0);
    setTrafficSpeedUp(0);
    m_prevDown = 0;
    m_prevUp = 0;
    m_lastTrafficSampleTime = m_timings.now();
    startTimers();
    setState(ConnectionState::connected);
    m_startTime = m_timings.now();
    if (m_settings.boolOr(SettingsKeys::killSwitchEnabled, false))
        co_await enableKillSwitch();
    else if (killSwitchEnabled())
        co_await disableKillSwitch(); // turned off by the user while a reconnect or a switch was under way
    if (!self || overtaken(generation))
        co_return;
    setTrafficHistoryDown({});
    setTrafficHistoryUp({});
    m_settings.setValue(SettingsKeys::lastConnectedNodeId, node.id);
    // Both follow-ups run after the connect has finished.
    const qint64 nodeId = node.id;
    QMetaObject::invokeMethod(
        this, [this, nodeId] { emit nodeConnected(nodeId); }, Qt::QueuedConnection);
    addLog(ConnectionLogEntry::LogType::connected, QStringLiteral("已连接到 ") + node.name, node.name);
    if (m_settings.boolOr(SettingsKeys::openOnConnect, false))
        QMetaObject::invokeMethod(this, &VpnManager::openMainWindowRequested, Qt::QueuedConnection);
}

bool VpnManager::holdsConnection(KillSwitch killSwitch) const
{
    return m_statsTimer || (killSwitch == KillSwitch::release && killSwitchEnabled()) || m_systemProxyTouched
        || isProxyRunning() || m_isReconnecting;
}

QCoro::Task<> VpnManager::disconnect() { return endConnection(KillSwitch::release); }

QCoro::Task<> VpnManager::tearDownFinished()
{
    QPointer<VpnManager> self(this);
    while (self && tearingDown()) {
        auto done = m_tearDownDone;
        co_await done;
    }
}

QCoro::Task<> VpnManager::endConnection(KillSwitch killSwitch)
{
    const auto action = m_prompts.action();
    QPointer<VpnManager> self(this);
    // Whatever connect is still awaiting something is overtaken by this.
    ++m_connectGeneration;
    if (tearingDown()) {
        co_await tearDownFinished();
        if (!self)
            co_return;
    }
    if (state() == ConnectionState::disconnected && !holdsConnection(killSwitch))
        co_return;
    setState(ConnectionState::disconnecting);
    const auto name = connectedNode() ? std::optional<QString>(connectedNode()->name) : std::nullopt;
    const auto duration = connectionDuration();
    co_await tearDown(killSwitch);
    if (!self)
        co_return;
    QString message = name ? QStringLiteral("从 ") + *name + QStringLiteral(" 断开") : QStringLiteral("已断开");
    if (duration > 0)
        message += QStringLiteral("(连接时长 ") + formatDuration(duration) + QLatin1Char(')');
    addLog(ConnectionLogEntry::LogType::disconnected, message, name);
}

QCoro::Task<> VpnManager::tearDown(KillSwitch killSwitch)
{
    QPointer<VpnManager> self(this);
    // Connects and disconnects asked for meanwhile wait for this.
    QPromise<void> done;
    m_tearDownDone = done.future();
    done.start();
    m_xray.stop();
    setSystemProxyEnabled(false);
    auto switching = m_systemProxy.switchAllOff(std::nullopt, m_timings.privilegedCommandLimit);
    const auto off = co_await std::move(switching);
    if (!self)
        co_return;
    if (off.service)
        m_systemProxyTouched = false;
    if (proxyMode() == ProxyMode::tun) {
        addLog(ConnectionLogEntry::LogType::info, QStringLiteral("本地代理已关闭"));
    } else if (off.service) {
        if (off.socksOff)
            addLog(ConnectionLogEntry::LogType::info, QStringLiteral("系统代理已自动关闭"));
        else
            addLog(ConnectionLogEntry::LogType::warning, QStringLiteral("系统代理未清除,请手动关闭 (无免密权限)"));
    }
    setProxyRunning(false);
    if (killSwitch == KillSwitch::release && killSwitchEnabled()) {
        co_await disableKillSwitch();
        if (!self)
            co_return;
    }
    stopTimers();
    setState(ConnectionState::disconnected);
    setSystemProxyEnabled(false);
    QTimer::singleShot(m_timings.proxyReadBackDelay, this,
                       [this, generation = m_connectGeneration] { readBackSystemProxy(generation); });
    m_isReconnecting = false;
    m_reconnectAttempts = 0;
    setConnectedNode(std::nullopt);
    m_startTime.reset();
    setConnectionDuration(0);
    done.finish();
}

QCoro::Task<> VpnManager::readBackSystemProxy(quint64 generation)
{
    // A connect asked for since the disconnect sets the proxies itself: what is read back then
    // may be the state before it and would show them off over a working connection.
    QPointer<VpnManager> self(this);
    if (overtaken(generation))
        co_return;
    const auto service = co_await detectActiveNetworkService();
    if (!self || overtaken(generation) || !service)
        co_return;
    const bool on = co_await checkProxyState(*service, proxyPort);
    if (self && !overtaken(generation))
        setSystemProxyEnabled(on);
}

void VpnManager::prepareForQuit()
{
    auto ending = endConnection(KillSwitch::release);
    stopTimers();
    if (ending.isReady())
        return;
    // The application's event loop has ended: a loop of our own lets the commands' results in.
    QEventLoop loop;
    QTimer::singleShot(m_timings.quitTearDownLimit, &loop, &QEventLoop::quit);
    auto ended = quitWhenDone(std::move(ending), &loop);
    if (!ended.isReady())
        loop.exec();
    stopTimers();
}

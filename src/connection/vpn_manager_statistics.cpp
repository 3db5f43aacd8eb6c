#include "vpn_error.h"
#include "vpn_manager.h"
#include "xray_manager.h"

#include <QCoroTimer>
#include <QDebug>
#include <QPointer>

#include <algorithm>

namespace {

// A repeating timer of the manager, found by its name in tests.
std::unique_ptr<QTimer> repeatingTimer(QObject* owner, const char* name, std::chrono::milliseconds interval)
{
    auto timer = std::make_unique<QTimer>(owner);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}

void appendBounded(QList<qint64>& history, qint64 value, qsizetype limit)
{
    history.append(value);
    if (history.size() > limit)
        history.removeFirst();
}

} // namespace

void VpnManager::startTimers()
{
    stopTimers();
    m_statsTimer = repeatingTimer(this, "statsTimer", m_timings.statsInterval);
    m_durationTimer = repeatingTimer(this, "durationTimer", m_timings.durationInterval);
    m_healthTimer = repeatingTimer(this, "healthTimer", m_timings.healthInterval);
    QObject::connect(m_statsTimer.get(), &QTimer::timeout, this, &VpnManager::refreshStats);
    QObject::connect(m_durationTimer.get(), &QTimer::timeout, this, &VpnManager::updateDuration);
    QObject::connect(m_healthTimer.get(), &QTimer::timeout, this, &VpnManager::checkConnectionHealth);
    for (const auto* timer : {&m_statsTimer, &m_durationTimer, &m_healthTimer})
        (*timer)->start();
}

void VpnManager::stopTimers()
{
    m_statsTimer.reset();
    m_durationTimer.reset();
    m_healthTimer.reset();
}

void VpnManager::updateDuration()
{
    if (m_startTime)
        setConnectionDuration(m_timings.now() - *m_startTime);
}

void VpnManager::refreshStats()
{
    auto& core = m_xray;
    if (!core.isRunning())
        return;
    const auto traffic = core.lastTraffic();
    const double now = m_timings.now();
    const qint64 downDelta = traffic.down - m_prevDown;
    const qint64 upDelta = traffic.up - m_prevUp;
    // Two samples at the same instant must not divide by zero.
    const double interval = std::max(now - m_lastTrafficSampleTime, 0.001);
    const double downSpeed = double(std::max<qint64>(downDelta, 0)) / interval;
    const double upSpeed = double(std::max<qint64>(upDelta, 0)) / interval;
    m_lastTrafficSampleTime = now;
    m_prevDown = traffic.down;
    m_prevUp = traffic.up;
    setTrafficSpeedDown(qint64(downSpeed));
    setTrafficSpeedUp(qint64(upSpeed));
    auto down = trafficHistoryDown();
    appendBounded(down, trafficSpeedDown(), maxHistory);
    setTrafficHistoryDown(down);
    auto up = trafficHistoryUp();
    appendBounded(up, trafficSpeedUp(), maxHistory);
    setTrafficHistoryUp(up);
    setTrafficDown(traffic.down);
    setTrafficUp(traffic.up);
}

void VpnManager::checkConnectionHealth()
{
    if (state() != ConnectionState::connected || m_isReconnecting)
        return;
    if (m_xray.isRunning()) {
        m_reconnectAttempts = 0;
        return;
    }
    // A change of the routing mode restarts the core under the running connection: no loss yet.
    // Should that restart fail, the core stays stopped and the next tick finds it so.
    if (m_xray.isStarting())
        return;
    if (!autoReconnectEnabled() || !connectedNode()) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("隧道连接已断开"));
        return;
    }
    const Node node = *connectedNode();
    m_isReconnecting = true;
    ++m_reconnectAttempts;
    if (m_reconnectAttempts <= maxReconnectAttempts) {
        addLog(ConnectionLogEntry::LogType::warning,
               QStringLiteral("检测到连接断开,正在重连(") + QString::number(m_reconnectAttempts) + QLatin1Char('/')
                   + QString::number(maxReconnectAttempts) + QLatin1Char(')'),
               node.name);
        reconnect(node);
        return;
    }
    qWarning().noquote() << QStringLiteral("⚠️ 自动重连达到最大次数,停止");
    m_isReconnecting = false;
    giveUpReconnecting();
}

QCoro::Task<> VpnManager::giveUpReconnecting()
{
    QPointer<VpnManager> self(this);
    // The connection is over from here on: no screen shows it connected while the commands run,
    // and the health ticks meanwhile, which look only at a connected state, give up no second time.
    setState(ConnectionState::disconnecting);
    // Giving up leaves nothing behind: no proxies pointing at dead ports, no filter blocking all
    // traffic, no timers.
    co_await tearDown(KillSwitch::release);
    if (self)
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("连接已断开,自动重连失败"));
}

QCoro::Task<> VpnManager::reconnect(Node node)
{
    QPointer<VpnManager> self(this);
    const auto generation = m_connectGeneration;
    const auto round = ++m_reconnectRound;
    setState(ConnectionState::disconnected);
    setConnectedNode(std::nullopt);
    setProxyRunning(false);
    co_await QCoro::sleepFor(m_timings.reconnectPause);
    if (!self)
        co_return;
    // A disconnect or another connect during the pause has taken over. Whichever way this
    // reconnect ends, the health check watches again: a connection the user made meanwhile is
    // replaced like any other when its core dies.
    if (!overtaken(generation)) {
        std::optional<VpnError> failure;
        try {
            co_await connectWithRetries(node, ConnectRequest::automatic);
        } catch (const VpnError& error) {
            failure = error;
        }
        if (!self)
            co_return;
        if (failure)
            addLog(ConnectionLogEntry::LogType::error, QStringLiteral("重连失败: ") + failure->description());
    }
    // Only this reconnect's own flag: a later one may be under way since a disconnect cleared it.
    if (round == m_reconnectRound)
        m_isReconnecting = false;
}

#include "startup_rules.h"

#include "api/api_service.h"
#include "app/app_state.h"
#include "connection/vpn_manager.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"

#include <QCoroTimer>
#include <QTimer>

namespace {

bool isIdle(const VpnConnection& connection) { return connection.state() == ConnectionState::disconnected; }

// Coroutines of their own, with what they use in their frames: the rules object may be gone
// before they end, the services it was given live as long as the application.
QCoro::Task<> connectAfterLaunch(ApiService* api, VpnConnection* connection, qint64 lastNodeId)
{
    QList<Node> nodes;
    try {
        nodes = co_await api->fetchNodes();
    } catch (...) {
        // No list, no automatic connection.
    }
    const auto target = StartupRules::launchTarget(nodes, lastNodeId);
    if (!target)
        co_return;
    try {
        co_await connection->connectTo(*target);
    } catch (...) {
        // The connection manager has logged the failure.
    }
}

QCoro::Task<> connectFastestAfter(std::chrono::milliseconds delay, AppState* appState, VpnConnection* connection)
{
    co_await QCoro::sleepFor(delay);
    const auto target = StartupRules::fastestTarget(appState->nodes());
    if (!target || !isIdle(*connection))
        co_return;
    try {
        co_await connection->connectTo(*target);
    } catch (...) {
        // The connection manager has logged the failure.
    }
}

} // namespace

StartupRules::StartupRules(Services services, Timings timings, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_timings(timings)
{
}

void StartupRules::applicationDidFinishLaunching()
{
    // Before any connection: a connect must find the left-over rules taken over or gone.
    m_services.vpnManager.recoverLeftoverKillSwitch();
    QTimer::singleShot(m_timings.proxyClearDelay, this, &StartupRules::clearLeftoverSystemProxy);
    auto& settings = m_services.settings;
    if (settings.boolOr(SettingsKeys::autoConnect, false))
        connectAfterLaunch(&m_services.api, &m_services.connection,
                           settings.intOr(SettingsKeys::lastConnectedNodeId, 0));
}

void StartupRules::windowDidFirstAppear()
{
    m_services.appState.loadNodes();
    m_services.appState.loadProfile();
    if (m_services.settings.boolOr(SettingsKeys::autoConnect, false))
        connectFastestAfter(m_timings.autoConnectDelay, &m_services.appState, &m_services.connection);
}

void StartupRules::autoConnectFastestIfIdle()
{
    auto& appState = m_services.appState;
    if (!appState.isLoggedIn() || appState.nodes().isEmpty() || !isIdle(m_services.connection))
        return;
    // Never fails, and the application state outlives every screen.
    appState.autoConnectFastest();
}

void StartupRules::clearLeftoverSystemProxy()
{
    // The engine's own operation: it skips a connection made since launch and leaves the user's
    // own proxies as they are. The connection manager outlives the task.
    m_services.vpnManager.clearLeftoverSystemProxy();
}

std::optional<Node> StartupRules::launchTarget(const QList<Node>& nodes, qint64 lastNodeId)
{
    for (const auto& node : nodes) {
        if (node.isOnline() && (lastNodeId <= 0 || node.id == lastNodeId))
            return node;
    }
    return std::nullopt;
}

std::optional<Node> StartupRules::fastestTarget(const QList<Node>& nodes)
{
    std::optional<Node> best;
    qint64 bestDelay = 0;
    for (const auto& node : nodes) {
        if (!node.isOnline())
            continue;
        const qint64 delay = node.delay.value_or(9999);
        if (!best || delay < bestDelay) {
            best = node;
            bestDelay = delay;
        }
    }
    return best;
}

#include "connection_actions.h"

#include "app/app_state.h"
#include "connection/vpn_manager.h"

#include <QPointer>

#include <algorithm>

namespace {
// A coroutine of its own, so that what it needs lives in its frame and not in a lambda that may
// be gone before the connect ends.
QCoro::Task<> connectThrough(QPointer<VpnManager> manager, Node node)
{
    if (manager)
        co_await manager->connectTo(std::move(node));
}
} // namespace

ConnectionActions ConnectionActions::of(VpnManager& vpnManager)
{
    QPointer<VpnManager> manager(&vpnManager);
    return {[manager](Node node) { return connectThrough(manager, std::move(node)); },
            [manager] {
                if (manager)
                    manager->disconnect();
            }};
}

void connectAndForget(const ConnectionActions& actions, const Node& node)
{
    [](QCoro::Task<> task) -> QCoro::Task<> {
        try {
            co_await std::move(task);
        } catch (...) {
        }
    }(actions.connect(node));
}

void toggleConnection(const ConnectionControlServices& services)
{
    if (services.vpnManager.state() == ConnectionState::connected) {
        services.actions.disconnect();
        return;
    }
    const auto& nodes = services.appState.nodes();
    const auto online = std::find_if(nodes.cbegin(), nodes.cend(), [](const Node& node) { return node.isOnline(); });
    if (online != nodes.cend())
        connectAndForget(services.actions, *online);
}

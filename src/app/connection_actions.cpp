#include "connection_actions.h"

#include "app/app_state.h"
#include "connection/vpn_connection.h"

#include <algorithm>

void connectAndForget(VpnConnection& connection, const Node& node)
{
    // The connect starts at once; this frame only outlives it to drop its failure, and touches
    // nothing else, so it may end after the connection is gone.
    [](QCoro::Task<> connect) -> QCoro::Task<> {
        try {
            co_await std::move(connect);
        } catch (...) {
        }
    }(connection.connectTo(node));
}

void toggleConnection(const ConnectionControlServices& services)
{
    if (services.connection.state() == ConnectionState::connected) {
        services.connection.disconnect();
        return;
    }
    const auto& nodes = services.appState.nodes();
    const auto online = std::find_if(nodes.cbegin(), nodes.cend(), [](const Node& node) { return node.isOnline(); });
    if (online != nodes.cend())
        connectAndForget(services.connection, *online);
}

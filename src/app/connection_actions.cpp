#include "connection_actions.h"

#include "app/app_state.h"
#include "connection/vpn_connection.h"
#include "platform/while_alive.h"

#include <algorithm>

void connectAndForget(VpnConnection& connection, const Node& node)
{
    // A failure is dropped: the connection has logged it.
    whileAlive(&connection, connection.connectTo(node), [] {});
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

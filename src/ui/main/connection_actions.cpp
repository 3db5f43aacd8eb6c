#include "connection_actions.h"

#include "connection/vpn_manager.h"

#include <QDebug>

ConnectionActions ConnectionActions::of(VpnManager& vpnManager)
{
    Q_UNUSED(vpnManager);
    // The connection manager does not connect yet: a request only leaves a line in the log.
    return {[](Node node) -> QCoro::Task<> {
                qWarning().noquote() << "[VpnManager] connect is not available yet:" << node.name;
                co_return;
            },
            [] { qWarning().noquote() << "[VpnManager] disconnect is not available yet"; }};
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

#pragma once

// The state of the one VPN connection; the connection manager holds and drives it.
enum class ConnectionState {
    disconnected, // no connection; the initial state
    connecting, // a connect request is in progress
    connected, // the proxy core runs and the system proxies point at it
    disconnecting, // the connection is being taken down
};

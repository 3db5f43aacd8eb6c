#pragma once

#include <QString>
#include <QStringList>

class ProcessRunner;
class VpnManager;

// A system proxy left behind by an earlier run that ended without disconnecting: one that still
// points at our own local proxy core (127.0.0.1, SOCKS on 1080, HTTP on 1081). Proxies of any
// other server or port are the user's own and are never touched.
namespace LeftoverProxy {

struct Setting {
    bool enabled = false;
    QString server;
    int port = 0;
};

// Reads the "Enabled:", "Server:" and "Port:" lines of networksetup's -get…proxy output.
Setting parse(const QString& output);
bool pointsAtLocalCore(const Setting& setting);

// Reads the web, secure-web and SOCKS proxies of `service` and switches off, with root rights,
// each one that points at the local core. Returns the "-set…state" commands it ran.
QStringList clear(VpnManager& vpnManager, ProcessRunner& processes, const QString& service);

} // namespace LeftoverProxy

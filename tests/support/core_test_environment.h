#pragma once

#include "connection/xray_manager.h"
#include "platform/paths.h"
#include "support/loopback_ports.h"
#include "support/test_geodata.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>

// What a test of the real proxy core needs around it.

// Whether the core's local ports (SOCKS5 1080, HTTP 1081) are free; the reason when not.
inline bool coreProxyPortsFree(QString* why)
{
    for (const quint16 port : {XrayManager::proxyPort, XrayManager::httpPort}) {
        if (!loopbackPortFree(port, why))
            return false;
    }
    return true;
}

// Points the networksetup stand-in at a throwaway state directory listing the given network
// services, and keeps the desktop's own proxy settings out of reach (gsettings in memory).
inline bool useThrowawayNetworkServices(const QString& stateDir, const QStringList& services, QString* why)
{
    qputenv("VELMORAND_STATE_DIR", stateDir.toUtf8());
    qputenv("GSETTINGS_BACKEND", "memory");
    const QString dir = stateDir + QStringLiteral("/networksetup");
    QFile list(dir + QStringLiteral("/services"));
    if (!QDir().mkpath(dir) || !list.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("cannot write ") + list.fileName();
        return false;
    }
    list.write(services.join(QLatin1Char('\n')).toUtf8() + '\n');
    return true;
}

// Options of a proxy core run from the built resources, writing its configuration into a
// "velmorand-xray" directory under `runtimeDir` together with the loopback geodata.
inline std::optional<XrayManager::Options> loopbackCoreOptions(const QString& runtimeDir, QString* why)
{
    XrayManager::Options options;
    options.resourcesDir = Paths::resourcesDir();
    options.configDir = runtimeDir + QStringLiteral("/velmorand-xray");
    if (!writeLoopbackGeodata(options.configDir, why))
        return std::nullopt;
    return options;
}

// A Trojan node on this machine that no test sends traffic to: enough for the core to start and
// listen.
inline Node idleLoopbackNode()
{
    Node node;
    node.id = 1;
    node.name = QStringLiteral("idle loopback node");
    node.server = QStringLiteral("127.0.0.1");
    node.port = 9;
    node.method = QStringLiteral("trojan");
    node.password = QStringLiteral("pw");
    node.status = QStringLiteral("online");
    return node;
}

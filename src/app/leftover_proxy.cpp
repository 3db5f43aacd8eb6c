#include "leftover_proxy.h"

#include "connection/vpn_manager.h"
#include "platform/process_runner.h"

namespace LeftoverProxy {

Setting parse(const QString& output)
{
    Setting setting;
    for (const auto& raw : output.split(QLatin1Char('\n'))) {
        const auto line = raw.trimmed();
        if (line.startsWith(QLatin1String("Enabled:")))
            setting.enabled = line.mid(8).trimmed() == QLatin1String("Yes");
        else if (line.startsWith(QLatin1String("Server:")))
            setting.server = line.mid(7).trimmed();
        else if (line.startsWith(QLatin1String("Port:")))
            setting.port = line.mid(5).trimmed().toInt();
    }
    return setting;
}

bool pointsAtLocalCore(const Setting& setting)
{
    return setting.enabled && setting.server == QLatin1String("127.0.0.1")
        && (setting.port == VpnManager::proxyPort || setting.port == VpnManager::httpPort);
}

QStringList clear(VpnManager& vpnManager, ProcessRunner& processes, const QString& service)
{
    const struct {
        QString get;
        QString setState;
    } kinds[] = {
        {QStringLiteral("-getwebproxy"), QStringLiteral("-setwebproxystate")},
        {QStringLiteral("-getsecurewebproxy"), QStringLiteral("-setsecurewebproxystate")},
        {QStringLiteral("-getsocksfirewallproxy"), QStringLiteral("-setsocksfirewallproxystate")},
    };
    QStringList cleared;
    for (const auto& kind : kinds) {
        const auto result = processes.run({QStringLiteral("/usr/sbin/networksetup"), {kind.get, service}});
        if (!result.succeeded() || !pointsAtLocalCore(parse(QString::fromUtf8(result.output))))
            continue;
        vpnManager.runNetworksetupSudo({kind.setState, service, QStringLiteral("off")});
        cleared.append(kind.setState);
    }
    if (cleared.contains(QStringLiteral("-setsocksfirewallproxystate")))
        vpnManager.setSystemProxyEnabled(false);
    return cleared;
}

} // namespace LeftoverProxy

#include "packet_filter.h"

#include "packet_filter_scripts.h"
#include "platform/admin_script_runner.h"

#include <algorithm>

PacketFilter::PacketFilter(std::function<AdminScriptRunner&()> scripts) : m_scripts(std::move(scripts)) {}

bool PacketFilter::run(const QString& script)
{
    return m_scripts().run(script).succeeded;
}

PacketFilter::Load PacketFilter::loadKillSwitch(const QStringList& servers)
{
    // The server texts come from the service and the script runs as root.
    if (!std::all_of(servers.cbegin(), servers.cend(), PacketFilterScripts::isSafeHost))
        return Load::unsafeServer;
    if (!run(PacketFilterScripts::killSwitchStart(servers)))
        return Load::failed;
    m_passedServers = servers;
    return Load::loaded;
}

bool PacketFilter::releaseKillSwitch()
{
    if (!run(PacketFilterScripts::killSwitchStop()))
        return false;
    m_passedServers.clear();
    return true;
}

bool PacketFilter::loadSplitRules(const QList<quint32>& userIds)
{
    return run(PacketFilterScripts::splitRules(userIds));
}

bool PacketFilter::switchSocksProxyOff(const QString& service)
{
    return run(PacketFilterScripts::proxyFallback(service));
}

bool PacketFilter::removeSudoers()
{
    return run(PacketFilterScripts::sudoersRemoval());
}

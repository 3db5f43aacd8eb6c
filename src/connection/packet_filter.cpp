#include "packet_filter.h"

#include "command_queue.h"
#include "packet_filter_scripts.h"
#include "platform/admin_script_runner.h"

#include <algorithm>

PacketFilter::PacketFilter(std::function<AdminScriptRunner&()> scripts, CommandQueue& commands)
    : m_scripts(std::move(scripts))
    , m_commands(commands)
{
}

QCoro::Task<bool> PacketFilter::run(QString script)
{
    auto* scripts = &m_scripts();
    return m_commands.run([scripts, script] { return scripts->run(script).succeeded; });
}

QCoro::Task<PacketFilter::Load> PacketFilter::loadKillSwitch(QStringList servers)
{
    // The server texts come from the service and the script runs as root.
    if (!std::all_of(servers.cbegin(), servers.cend(), PacketFilterScripts::isSafeHost))
        co_return Load::unsafeServer;
    const auto passed = m_passedServers;
    auto loading = run(PacketFilterScripts::killSwitchStart(servers));
    if (!co_await std::move(loading))
        co_return Load::failed;
    *passed = servers;
    co_return Load::loaded;
}

QCoro::Task<bool> PacketFilter::releaseKillSwitch()
{
    const auto passed = m_passedServers;
    const auto exempted = m_exemptedPrograms;
    auto releasing = run(PacketFilterScripts::splitAndKillSwitchStop());
    if (!co_await std::move(releasing))
        co_return false;
    passed->clear();
    exempted->clear();
    co_return true;
}

QCoro::Task<bool> PacketFilter::loadSplitRules(QStringList programs, quint32 userId)
{
    const auto exempted = m_exemptedPrograms;
    auto loading = run(PacketFilterScripts::splitRules(programs, userId));
    if (!co_await std::move(loading))
        co_return false;
    *exempted = programs;
    co_return true;
}

QCoro::Task<bool> PacketFilter::releaseSplitRules()
{
    const auto exempted = m_exemptedPrograms;
    auto releasing = run(PacketFilterScripts::splitStop());
    if (!co_await std::move(releasing))
        co_return false;
    exempted->clear();
    co_return true;
}

QCoro::Task<bool> PacketFilter::switchSocksProxyOff(QString service)
{
    return run(PacketFilterScripts::proxyFallback(service));
}

QCoro::Task<bool> PacketFilter::removeSudoers() { return run(PacketFilterScripts::sudoersRemoval()); }

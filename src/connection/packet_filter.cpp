#include "packet_filter.h"

#include "command_queue.h"
#include "platform/admin_script_runner.h"

#include <QRegularExpression>

namespace {

// A name a resolver may be asked about: labels of letters, digits, hyphens and underscores,
// perhaps a single one, perhaps with a final dot. Nothing else is looked up.
bool looksLikeHostName(const QString& text)
{
    static const QRegularExpression name(QRegularExpression::anchoredPattern(
        QStringLiteral(R"((?=.{1,254}\z)[A-Za-z0-9_](?:[A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?)"
                       R"((?:\.[A-Za-z0-9_](?:[A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?)*\.?)")));
    return name.match(text).hasMatch();
}

bool isAddressLiteral(const QString& host)
{
    return PacketFilterScripts::isSafeHost(host) && !QHostAddress(host).isNull();
}

// The addresses a rule can hold, each once. Checked again: never a scoped address.
QStringList ruleAddresses(const QList<QHostAddress>& resolved)
{
    QStringList addresses;
    for (const auto& address : resolved) {
        const auto text = address.toString();
        if (PacketFilterScripts::isSafeHost(text) && !addresses.contains(text))
            addresses.append(text);
    }
    return addresses;
}

// What the rules hold for the server: the server itself where a rule can hold it, else the
// addresses its name resolves to (a valid name may still be one the rules refuse: an underscore,
// a final dot, a single label); empty when there are none, or none in time. Blocks: run on the
// command queue, where a release queued behind it waits at most the limit.
QStringList ruleHostsFor(const QString& server, const HostLookups& lookups)
{
    if (PacketFilterScripts::isSafeHost(server))
        return {server};
    if (!looksLikeHostName(server))
        return {};
    return ruleAddresses(lookups.lookUp({server}, {}).value(server));
}

// The names among the hosts that are to be looked up: neither an address nor hostile text.
QStringList namesAmong(const QStringList& hosts)
{
    QStringList names;
    for (const auto& host : hosts)
        if (!isAddressLiteral(host) && looksLikeHostName(host) && !names.contains(host))
            names.append(host);
    return names;
}

// The addresses the rules let out for the host: the host itself when it is an address, else what
// its name was found to resolve to.
QStringList addressesOf(const QString& host, const QHash<QString, QList<QHostAddress>>& found)
{
    return isAddressLiteral(host) ? QStringList{host} : ruleAddresses(found.value(host));
}

PacketFilter::Load loadOutcome(const AdminScriptResult& result)
{
    if (result.succeeded)
        return PacketFilter::Load::loaded;
    switch (result.refusal) {
    case AdminScriptResult::Refusal::notAuthorized:
        return PacketFilter::Load::notAuthorized;
    case AdminScriptResult::Refusal::untrustedInstall:
        return PacketFilter::Load::untrustedInstall;
    case AdminScriptResult::Refusal::none:
        break;
    }
    return PacketFilter::Load::failed;
}

} // namespace

PacketFilter::PacketFilter(std::function<AdminScriptRunner&()> scripts, CommandQueue& commands, Resolver resolve,
                           std::chrono::milliseconds lookupLimit)
    : m_scripts(std::move(scripts))
    , m_commands(commands)
    , m_lookups(std::move(resolve), lookupLimit)
{
}

QCoro::Task<bool> PacketFilter::run(QString script)
{
    auto* scripts = &m_scripts();
    return m_commands.run([scripts, script] { return scripts->run(script).succeeded; });
}

QCoro::Task<PacketFilter::Load> PacketFilter::loadKillSwitch(QStringList servers)
{
    const auto passed = m_passedServers;
    auto* scripts = &m_scripts();
    // Names are resolved right before the load, on the queue: as near as can be to the core's own
    // look-up, so that the address it dials is among those let out.
    auto loading = m_commands.run([scripts, servers, lookups = m_lookups] {
        QStringList hosts;
        for (const auto& server : servers) {
            // The server texts come from the service and the script runs as root.
            const auto held = ruleHostsFor(server, lookups);
            if (held.isEmpty())
                return Load::unsafeServer;
            hosts += held;
        }
        hosts.removeDuplicates();
        return loadOutcome(scripts->run(PacketFilterScripts::killSwitchStart(hosts)));
    });
    const auto blockWithoutTunnel = m_blockWithoutTunnel;
    const auto load = co_await std::move(loading);
    if (load == Load::loaded) {
        *passed = servers;
        blockWithoutTunnel->reset();
    }
    co_return load;
}

QCoro::Task<PacketFilter::BlockLoad>
PacketFilter::loadBlockWithoutTunnel(QStringList serviceHosts, QList<PacketFilterScripts::TcpDestination> nodes)
{
    const auto passed = m_passedServers;
    const auto blockWithoutTunnel = m_blockWithoutTunnel;
    auto* scripts = &m_scripts();
    struct Outcome {
        BlockLoad block;
        QStringList serviceAddresses;
    };
    // On the queue, right before the load, like the names of loadKillSwitch.
    auto loading = m_commands.run([scripts, serviceHosts, nodes, lookups = m_lookups] {
        QStringList nodeHosts;
        for (const auto& node : nodes)
            nodeHosts.append(node.host);
        const auto names = namesAmong(serviceHosts + nodeHosts);
        // The service first: the user must be able to sign in whatever a long list of nodes does.
        const auto found = lookups.lookUp(namesAmong(serviceHosts), names);
        Outcome outcome;
        for (const auto& name : names)
            if (ruleAddresses(found.value(name)).isEmpty())
                outcome.block.unresolved.append(name);
        for (const auto& host : serviceHosts)
            outcome.serviceAddresses += addressesOf(host, found);
        outcome.serviceAddresses.removeDuplicates();
        QList<PacketFilterScripts::TcpDestination> destinations;
        for (const auto& node : nodes) {
            for (const auto& address : addressesOf(node.host, found)) {
                const PacketFilterScripts::TcpDestination destination{address, node.port};
                if (node.port != 0 && !destinations.contains(destination))
                    destinations.append(destination);
            }
        }
        const auto script = PacketFilterScripts::killSwitchStart(outcome.serviceAddresses, destinations);
        outcome.block.load = loadOutcome(scripts->run(script));
        return outcome;
    });
    const auto outcome = co_await std::move(loading);
    if (outcome.block.load == Load::loaded) {
        *passed = outcome.serviceAddresses;
        *blockWithoutTunnel = nodes;
    }
    co_return outcome.block;
}

QCoro::Task<bool> PacketFilter::canLetOut(QString server)
{
    return m_commands.run([server, lookups = m_lookups] {
        return !ruleHostsFor(server, lookups).isEmpty();
    });
}

QCoro::Task<bool> PacketFilter::releaseKillSwitch()
{
    const auto passed = m_passedServers;
    const auto exempted = m_exemptedPrograms;
    const auto blockWithoutTunnel = m_blockWithoutTunnel;
    auto releasing = run(PacketFilterScripts::splitAndKillSwitchStop());
    if (!co_await std::move(releasing))
        co_return false;
    passed->clear();
    exempted->clear();
    blockWithoutTunnel->reset();
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

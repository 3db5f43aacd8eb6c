#include "packet_filter.h"

#include "command_queue.h"
#include "packet_filter_scripts.h"
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

// What the rules hold for the server: the server itself where a rule can hold it, else the
// addresses its name resolves to (a valid name may still be one the rules refuse: an underscore,
// a final dot, a single label); empty when there are none. Blocks: run on the command queue.
QStringList ruleHostsFor(const QString& server, const PacketFilter::Resolver& resolve)
{
    if (PacketFilterScripts::isSafeHost(server))
        return {server};
    if (!looksLikeHostName(server))
        return {};
    QStringList addresses;
    for (const auto& address : resolve(server)) {
        // Checked again: only what a rule can hold goes on, never a scoped address.
        const auto text = address.toString();
        if (PacketFilterScripts::isSafeHost(text) && !addresses.contains(text))
            addresses.append(text);
    }
    return addresses;
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

PacketFilter::PacketFilter(std::function<AdminScriptRunner&()> scripts, CommandQueue& commands, Resolver resolve)
    : m_scripts(std::move(scripts))
    , m_commands(commands)
    , m_resolve(std::move(resolve))
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
    auto loading = m_commands.run([scripts, servers, resolve = m_resolve] {
        QStringList hosts;
        for (const auto& server : servers) {
            // The server texts come from the service and the script runs as root.
            const auto held = ruleHostsFor(server, resolve);
            if (held.isEmpty())
                return Load::unsafeServer;
            hosts += held;
        }
        hosts.removeDuplicates();
        return loadOutcome(scripts->run(PacketFilterScripts::killSwitchStart(hosts)));
    });
    const auto load = co_await std::move(loading);
    if (load == Load::loaded)
        *passed = servers;
    co_return load;
}

QCoro::Task<bool> PacketFilter::canLetOut(QString server)
{
    return m_commands.run([server, resolve = m_resolve] { return !ruleHostsFor(server, resolve).isEmpty(); });
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

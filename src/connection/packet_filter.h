#pragma once

#include <QCoroTask>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "host_lookups.h"
#include "packet_filter_scripts.h"

class AdminScriptRunner;
class CommandQueue;

// The packet filter and the other root steps, each one administrator script (see
// PacketFilterScripts): the kill switch with the servers its rules let out, the per-application
// rules and the clean-up's steps. Threading: every script is queued on the connection's command
// queue and awaited, so that the window's thread goes on while a script (or the administrator
// prompt) runs, and scripts take effect in the order they were asked for.
class PacketFilter {
public:
    // unsafeServer: a server the rules cannot hold, neither as written nor by its addresses.
    // notAuthorized, untrustedInstall: the script never ran as root (see AdminScriptResult).
    enum class Load { loaded, unsafeServer, failed, notAuthorized, untrustedInstall };

    // The addresses a host name resolves to; called on the command queue's thread.
    using Resolver = std::function<QList<QHostAddress>(const QString& name)>;

    // The runner is asked for on the caller's thread, at the first script. Every name is waited
    // for at most lookupLimit.
    PacketFilter(std::function<AdminScriptRunner&()> scripts, CommandQueue& commands, Resolver resolve,
                 std::chrono::milliseconds lookupLimit);

    // Replaces the kill-switch rules with ones that let these servers out, in one step. A server
    // that is no plain host name or address reaches the script as the addresses its name
    // resolves to (the core dials one of them); one that resolves to none fails the load, and
    // nothing else reaches a script (nor does one not resolved in time). No servers: only loopback, DNS and the local network pass.
    QCoro::Task<Load> loadKillSwitch(QStringList servers);
    struct BlockLoad {
        Load load = Load::failed;
        // The names left out: they resolved to no address the rules can hold, or not in time.
        QStringList unresolved;
    };
    // Replaces the kill-switch rules with the block that holds while no tunnel is up: the service
    // hosts let out like servers, the nodes for TCP to their port only. Every name is looked up
    // here, each on its own and for at most the look-up limit (the service hosts at once, the
    // nodes a few at a time: HostLookups), and reaches the script as the addresses
    // it resolves to: a name that resolves to none is left out, never failing the load (the
    // packet filter would fail the whole load for one name it cannot resolve). Texts that are no
    // host name, and nodes without a valid port, are left out unasked. Fails only when the
    // script does.
    QCoro::Task<BlockLoad> loadBlockWithoutTunnel(QStringList serviceHosts,
                                                  QList<PacketFilterScripts::TcpDestination> nodes);
    // The nodes as given to the loaded block without a tunnel; nothing while the loaded rules, if
    // any, are of another kind.
    std::optional<QList<PacketFilterScripts::TcpDestination>> nodesOfBlockWithoutTunnel() const
    {
        return *m_blockWithoutTunnel;
    }
    // Whether the rules can let the server out (resolving its name when they cannot hold it).
    QCoro::Task<bool> canLetOut(QString server);
    // The servers the loaded kill-switch rules let out, as the caller named them (a block without
    // a tunnel: the service hosts' addresses); empty once they are released.
    QStringList passedServers() const { return *m_passedServers; }
    // Empties the kill-switch anchor, and the split anchor first: the programs let out past the
    // block go with it.
    QCoro::Task<bool> releaseKillSwitch();
    // Replaces the split rules with ones that let these programs of the user out past the block,
    // or empties them.
    QCoro::Task<bool> loadSplitRules(QStringList programs, quint32 userId);
    QCoro::Task<bool> releaseSplitRules();
    // The programs the loaded split rules let out; empty once they are released.
    QStringList exemptedPrograms() const { return *m_exemptedPrograms; }
    // The clean-up's root fallback for the SOCKS proxy, and the removal of the sudo entry.
    QCoro::Task<bool> switchSocksProxyOff(QString service);
    QCoro::Task<bool> removeSudoers();

private:
    QCoro::Task<bool> run(QString script);

    std::function<AdminScriptRunner&()> m_scripts;
    CommandQueue& m_commands;
    HostLookups m_lookups;
    // Shared with the operations under way, which write it once their script has ended.
    std::shared_ptr<QStringList> m_passedServers = std::make_shared<QStringList>();
    std::shared_ptr<QStringList> m_exemptedPrograms = std::make_shared<QStringList>();
    std::shared_ptr<std::optional<QList<PacketFilterScripts::TcpDestination>>> m_blockWithoutTunnel
        = std::make_shared<std::optional<QList<PacketFilterScripts::TcpDestination>>>();
};

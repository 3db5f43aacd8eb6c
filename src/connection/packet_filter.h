#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class AdminScriptRunner;

// The packet filter and the other root steps, each one administrator script (see
// PacketFilterScripts): the kill switch with the servers its rules let out, the per-application
// rules and the clean-up's steps. Each operation blocks its caller until its script has ended.
class PacketFilter {
public:
    enum class Load { loaded, unsafeServer, failed };

    // The runner is asked for at the first script.
    explicit PacketFilter(std::function<AdminScriptRunner&()> scripts);

    // Replaces the kill-switch rules with ones that let these servers out, in one step. A server
    // that is no plain host name or address reaches no script.
    Load loadKillSwitch(const QStringList& servers);
    // The servers the loaded kill-switch rules let out; empty once they are released.
    QStringList passedServers() const { return m_passedServers; }
    // Empties the kill-switch anchor.
    bool releaseKillSwitch();
    // The anchor was emptied by another filter (a clean-up's worker): no server is let out any more.
    void forgetKillSwitch() { m_passedServers.clear(); }
    bool loadSplitRules(const QList<quint32>& userIds);
    // The clean-up's root fallback for the SOCKS proxy, and the removal of the sudo entry.
    bool switchSocksProxyOff(const QString& service);
    bool removeSudoers();

private:
    bool run(const QString& script);

    std::function<AdminScriptRunner&()> m_scripts;
    QStringList m_passedServers;
};

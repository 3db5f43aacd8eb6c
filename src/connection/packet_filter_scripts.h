#pragma once

#include <QList>
#include <QString>

// The administrator shell scripts of the kill switch, the per-application rules and the clean-up.
// Every value put into them has been checked or quoted here: they run as root.
namespace PacketFilterScripts {

inline const QString killSwitchAnchor = QStringLiteral("com.velmorand");
inline const QString splitAnchor = QStringLiteral("com.velmorand/split");
inline const QString sudoersFile = QStringLiteral("/etc/sudoers.d/velmorand-networksetup");

// A destination let out for TCP to one port only: a listed node while the block holds without a
// tunnel, so that its latency can be measured and a connect can reach it.
struct TcpDestination {
    QString host;
    quint16 port = 0;

    friend bool operator==(const TcpDestination&, const TcpDestination&) = default;
};

// Whether the text may stand for a host in a rule: an IP address literal, or a host name of two
// or more dot-separated labels of letters, digits and hyphens. Nothing else reaches a script.
bool isSafeHost(const QString& host);

// Loads the kill-switch anchor (loopback, the servers, DNS and the local network pass; all other
// outbound traffic is blocked), replacing its rules in one step, makes the main ruleset evaluate
// our anchors and enables the filter. It fails when any step fails. Every server must pass
// isSafeHost(); a node's addresses stand for its name where the rules cannot hold the name, and
// the old node's stay beside the new one's only while a switch is under way. Each TCP destination
// (its host passing isSafeHost(), its port not 0) is let out for TCP to its port alone.
QString killSwitchStart(const QStringList& servers, const QList<TcpDestination>& tcpDestinations = {});
// Empties the kill-switch anchor; fails when that fails.
QString killSwitchStop();
// Loads pass rules into the split anchor, like the kill switch's start: one per program, for the
// processes of the user that run an executable at or below the program's path. The paths are
// percent-encoded: nothing in them can end a word, a line or the rules.
QString splitRules(const QStringList& programs, quint32 userId);
// Empties the split anchor.
QString splitStop();
// Empties the split anchor, then the kill-switch anchor whatever became of the first: an
// exemption never outlives the block, and a failed step stops no other. Fails when either fails.
QString splitAndKillSwitchStop();
// Switches the service's SOCKS proxy off; the name is quoted for the shell.
QString proxyFallback(const QString& service);
// Removes the password-less sudo entry for networksetup.
QString sudoersRemoval();

} // namespace PacketFilterScripts

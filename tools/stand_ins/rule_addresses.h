#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <chrono>

// The host names a ruleset's rules hold, looked up for the packet-filter stand-in when the rules
// are loaded, as pf does: once, and never afterwards.
namespace RuleAddresses {

// How long a load waits for its names: a resolver that does not answer fails the load, it does
// not hold it up.
inline constexpr std::chrono::milliseconds lookupLimit{4000};

// Whether the address of a rule is a host name: neither "any", a network nor an address.
bool isName(const QString& address);

// The addresses each name resolves to, as a rule writes them (no scope), looked up all at once
// and waited for at most `limit`: a name that has not answered by then has none. A look-up still
// running afterwards is abandoned; it keeps neither the caller nor the process from ending.
QHash<QString, QStringList> lookUp(const QStringList& names, std::chrono::milliseconds limit);

} // namespace RuleAddresses

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The packet-filter stand-in's readers of outside text without the command around them: it runs
// as root, so what it reads is fuzzed.
namespace PfctlEntry {

// The lines kept of a ruleset written to it; none when it is refused as a syntax error.
std::optional<QStringList> parseRuleset(const QString& text, bool isMain);
// The table script of a kept state file; none when the file is refused. A host name the state
// still holds is never looked up: its rules stand for nothing.
std::optional<QString> tableOfState(const QByteArray& kept);

} // namespace PfctlEntry

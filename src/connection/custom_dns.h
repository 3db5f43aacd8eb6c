#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The DNS servers the user typed under "customDNS": IPv4 or IPv6 addresses separated by commas,
// semicolons or white space. The same reading decides what the settings form accepts and what
// the proxy core's configuration gets.
namespace CustomDns {

// The addresses of the text, in order; an empty list for a text of separators only. Absent when
// any piece is not a plain IPv4 address (four decimal parts) or IPv6 address (no zone).
std::optional<QStringList> parse(const QString& text);

} // namespace CustomDns

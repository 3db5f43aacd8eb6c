#include "rule_addresses.h"

#include "connection/host_lookups.h"

#include <QHostAddress>

#include <netdb.h>
#include <sys/socket.h>

namespace RuleAddresses {

namespace {

// The system's resolver, on the look-up's own thread: nothing of Qt's process-wide state is
// touched, so that a look-up abandoned past the limit may still be running while the process ends.
QList<QHostAddress> systemAddresses(const QString& name)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM; // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &found) != 0)
        return {};
    QList<QHostAddress> addresses;
    for (const auto* at = found; at != nullptr; at = at->ai_next) {
        QHostAddress address(at->ai_addr);
        address.setScopeId({});
        if (!address.isNull() && !addresses.contains(address))
            addresses.append(address);
    }
    ::freeaddrinfo(found);
    return addresses;
}

} // namespace

bool isName(const QString& address)
{
    return address != QLatin1String("any") && !address.contains(QLatin1Char('/')) && QHostAddress(address).isNull();
}

QHash<QString, QStringList> lookUp(const QStringList& names, std::chrono::milliseconds limit)
{
    QHash<QString, QStringList> addresses;
    // Few names, but never a thread for each of a long list.
    const auto found = HostLookups(systemAddresses, limit).lookUp({}, names);
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        QStringList texts;
        for (const auto& address : it.value())
            texts.append(address.toString());
        if (!texts.isEmpty())
            addresses.insert(it.key(), texts);
    }
    return addresses;
}

} // namespace RuleAddresses

#include "custom_dns.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace CustomDns {

namespace {

bool isAddress(const QString& piece)
{
    // QHostAddress also takes shortened IPv4 forms ("1", "10.1") and zones ("fe80::1%eth0"),
    // which are not what anyone means by a DNS server address.
    static const QRegularExpression dottedQuad(QStringLiteral(R"(^\d{1,3}(\.\d{1,3}){3}$)"));
    const QHostAddress address(piece);
    if (address.isNull() || !address.scopeId().isEmpty())
        return false;
    if (address.protocol() == QAbstractSocket::IPv4Protocol)
        return dottedQuad.match(piece).hasMatch();
    return address.protocol() == QAbstractSocket::IPv6Protocol && !piece.contains(QLatin1Char('%'));
}

} // namespace

std::optional<QStringList> parse(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral(R"([,;\s]+)"));
    const auto pieces = text.split(separators, Qt::SkipEmptyParts);
    for (const auto& piece : pieces) {
        if (!isAddress(piece))
            return std::nullopt;
    }
    return pieces;
}

} // namespace CustomDns

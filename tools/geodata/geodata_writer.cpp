#include "geodata_writer.h"

#include "protobuf_wire.h"

#include <QDir>
#include <QSaveFile>

namespace Geodata {

namespace {

QByteArray encodeCidr(const Cidr& cidr)
{
    QByteArray ip;
    if (cidr.address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v4 = cidr.address.toIPv4Address();
        for (int shift = 24; shift >= 0; shift -= 8)
            ip.append(char((v4 >> shift) & 0xff));
    } else {
        const Q_IPV6ADDR v6 = cidr.address.toIPv6Address();
        ip = QByteArray(reinterpret_cast<const char*>(v6.c), 16);
    }
    QByteArray out;
    ProtobufWire::appendBytesField(out, 1, ip);
    ProtobufWire::appendVarintField(out, 2, quint64(cidr.prefix));
    return out;
}

QByteArray encodeDomain(const Domain& domain)
{
    QByteArray out;
    ProtobufWire::appendVarintField(out, 1, quint64(domain.kind));
    ProtobufWire::appendBytesField(out, 2, domain.value.toUtf8());
    return out;
}

template <typename List, typename Item, typename Encode>
QByteArray encodeLists(const QList<List>& lists, QList<Item> List::*items, Encode encode)
{
    QByteArray out;
    for (const auto& list : lists) {
        QByteArray entry;
        ProtobufWire::appendBytesField(entry, 1, list.code.toUtf8());
        for (const auto& item : list.*items)
            ProtobufWire::appendBytesField(entry, 2, encode(item));
        ProtobufWire::appendBytesField(out, 1, entry);
    }
    return out;
}

template <typename List>
List& listFor(QList<List>& lists, const QString& code)
{
    for (auto& list : lists)
        if (list.code == code)
            return list;
    lists.append(List{code, {}});
    return lists.last();
}

std::optional<Domain> parseDomain(const QString& text)
{
    static const QList<QPair<QString, DomainKind>> kinds{
        {QStringLiteral("domain:"), DomainKind::domain},
        {QStringLiteral("full:"), DomainKind::full},
        {QStringLiteral("keyword:"), DomainKind::keyword},
        {QStringLiteral("regexp:"), DomainKind::regexp},
    };
    for (const auto& [prefix, kind] : kinds)
        if (text.startsWith(prefix))
            return text.size() > prefix.size() ? std::optional(Domain{kind, text.mid(prefix.size())}) : std::nullopt;
    return Domain{DomainKind::domain, text};
}

bool writeFile(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    *error = path + QStringLiteral(": ") + file.errorString();
    return false;
}

} // namespace

QByteArray encodeGeoIp(const QList<IpList>& lists) { return encodeLists(lists, &IpList::cidrs, encodeCidr); }

QByteArray encodeGeoSite(const QList<SiteList>& lists) { return encodeLists(lists, &SiteList::domains, encodeDomain); }

std::optional<Sources> parseSources(const QString& text, QString* error)
{
    Sources sources;
    const auto lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto line = lines[i].section(QLatin1Char('#'), 0, 0).simplified();
        if (line.isEmpty())
            continue;
        const auto fields = line.split(QLatin1Char(' '));
        const auto fail = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return std::nullopt;
        };
        if (fields.size() != 3)
            return fail(QStringLiteral("expected three fields"));
        const auto code = fields[1].toUpper();
        if (fields[0] == QLatin1String("ip")) {
            const auto [address, prefix] = QHostAddress::parseSubnet(fields[2]);
            if (address.isNull() || !fields[2].contains(QLatin1Char('/')))
                return fail(QStringLiteral("not an address range: ") + fields[2]);
            listFor(sources.ipLists, code).cidrs.append({address, prefix});
        } else if (fields[0] == QLatin1String("site")) {
            const auto domain = parseDomain(fields[2]);
            if (!domain)
                return fail(QStringLiteral("empty domain: ") + fields[2]);
            listFor(sources.siteLists, code).domains.append(*domain);
        } else {
            return fail(QStringLiteral("unknown kind: ") + fields[0]);
        }
    }
    return sources;
}

bool writeFiles(const Sources& sources, const QString& directory, QString* error)
{
    QDir().mkpath(directory);
    return writeFile(directory + QStringLiteral("/geoip.dat"), encodeGeoIp(sources.ipLists), error)
        && writeFile(directory + QStringLiteral("/geosite.dat"), encodeGeoSite(sources.siteLists), error);
}

} // namespace Geodata

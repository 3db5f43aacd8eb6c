#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

// The proxy core's data files: "geoip.dat" (address ranges per country code) and "geosite.dat"
// (domain lists per code), each a protocol-buffers list of entries.
namespace Geodata {

struct Cidr {
    QHostAddress address;
    int prefix = 0;
};

struct IpList {
    QString code;
    QList<Cidr> cidrs;
};

// The core's domain matching kinds, with their numbers in the file format.
enum class DomainKind { keyword = 0, regexp = 1, domain = 2, full = 3 };

struct Domain {
    DomainKind kind = DomainKind::domain;
    QString value;
};

struct SiteList {
    QString code;
    QList<Domain> domains;
};

struct Sources {
    QList<IpList> ipLists;
    QList<SiteList> siteLists;
};

QByteArray encodeGeoIp(const QList<IpList>& lists);
QByteArray encodeGeoSite(const QList<SiteList>& lists);

// The source list: one entry a line, "ip CODE ADDRESS/PREFIX" or "site CODE [KIND:]VALUE" with
// KIND one of domain (the default), full, keyword and regexp; "#" starts a comment. Entries of
// one code are gathered in their order of appearance. Absent, with the reason in *error, when a
// line is malformed.
std::optional<Sources> parseSources(const QString& text, QString* error);

// Writes geoip.dat and geosite.dat into the directory; false with the reason in *error.
bool writeFiles(const Sources& sources, const QString& directory, QString* error);

} // namespace Geodata

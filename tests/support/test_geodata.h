#pragma once

#include "geodata_writer.h"

#include <QString>

// Geodata for loopback tests: "CN" is 127.0.0.0/8 (and the domain example.cn), so that in "rule"
// mode connections to 127.0.0.1 go direct and in "global" mode through the tunnel, which the
// core's access log tells apart ("[direct]" or "[proxy]").
inline bool writeLoopbackGeodata(const QString& directory, QString* error)
{
    Geodata::Sources sources;
    sources.ipLists = {{QStringLiteral("CN"), {{QHostAddress(QStringLiteral("127.0.0.0")), 8}}}};
    sources.siteLists = {{QStringLiteral("CN"), {{Geodata::DomainKind::domain, QStringLiteral("example.cn")}}}};
    return Geodata::writeFiles(sources, directory, error);
}

// Writes the proxy core's geoip.dat and geosite.dat from a source list:
//   velmorand_geodata SOURCES OUTDIR
#include "geodata_writer.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCES OUTDIR\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(file.errorString()));
        return 1;
    }
    QString error;
    const auto sources = Geodata::parseSources(QString::fromUtf8(file.readAll()), &error);
    if (!sources || !Geodata::writeFiles(*sources, QString::fromLocal8Bit(argv[2]), &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    return 0;
}

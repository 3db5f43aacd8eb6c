// The "xray" executable on Linux: Debian's v2ray stands in for the proxy core.
//   xray run -c FILE
// Reads the configuration, adds the core's statistics service (so the nettop stand-in can report
// the bytes carried) and hands the result to v2ray through an anonymous in-memory file.
// XRAY_LOCATION_ASSET is passed on as V2RAY_LOCATION_ASSET.
//
// The wrapper stays v2ray's parent instead of becoming it: v2ray holds a file capability, and the
// kernel drops the parent-death signal of a process that gains capabilities on exec, so a core
// started in our place would outlive a crashed application and keep its ports. The wrapper has
// no capabilities and keeps its own parent-death signal; see core_supervisor.h.
#include "core_stats_api.h"
#include "core_supervisor.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char v2rayProgram[] = "/usr/bin/v2ray";

[[noreturn]] void fail(const char* what, const char* detail)
{
    std::fprintf(stderr, "xray: %s: %s\n", what, detail);
    std::exit(1);
}

// A loopback port that is free now (the kernel's choice).
int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        fail("no free loopback port", std::strerror(errno));
    ::close(fd);
    return ntohs(address.sin_port);
}

QJsonArray prepended(const QJsonValue& first, const QJsonArray& rest)
{
    QJsonArray out{first};
    for (const auto& value : rest)
        out.append(value);
    return out;
}

// The configuration plus the statistics service on the given port. The routing and everything
// else stay as written; the service's own connections are routed to it first.
QByteArray withStatistics(const QJsonObject& config, int port)
{
    const auto tag = QString::fromLatin1(CoreStatsApi::tag);
    auto result = config;
    auto inbounds = config.value(QStringLiteral("inbounds")).toArray();
    inbounds.append(QJsonObject{
        {QStringLiteral("tag"), tag},
        {QStringLiteral("listen"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("port"), port},
        {QStringLiteral("protocol"), QStringLiteral("dokodemo-door")},
        {QStringLiteral("settings"), QJsonObject{{QStringLiteral("address"), QStringLiteral("127.0.0.1")}}},
    });
    result.insert(QStringLiteral("inbounds"), inbounds);
    auto routing = config.value(QStringLiteral("routing")).toObject();
    routing.insert(QStringLiteral("rules"),
                   prepended(QJsonObject{{QStringLiteral("type"), QStringLiteral("field")},
                                         {QStringLiteral("inboundTag"), QJsonArray{tag}},
                                         {QStringLiteral("outboundTag"), tag}},
                             routing.value(QStringLiteral("rules")).toArray()));
    result.insert(QStringLiteral("routing"), routing);
    result.insert(QStringLiteral("stats"), QJsonObject{});
    result.insert(QStringLiteral("api"),
                  QJsonObject{{QStringLiteral("tag"), tag},
                              {QStringLiteral("services"), QJsonArray{QStringLiteral("StatsService")}}});
    result.insert(QStringLiteral("policy"),
                  QJsonObject{{QStringLiteral("system"),
                               QJsonObject{{QStringLiteral("statsOutboundUplink"), true},
                                           {QStringLiteral("statsOutboundDownlink"), true}}}});
    return QJsonDocument(result).toJson(QJsonDocument::Compact);
}

// Leaves the statistics address for the monitor; the files of cores that have ended go.
void publishAddress(const QByteArray& address)
{
    const auto own = CoreStatsApi::addressFile(::getpid());
    QDir directory = QFileInfo(own).dir();
    for (const auto& name : directory.entryList({QStringLiteral("core-*.stats")}, QDir::Files)) {
        const auto pid = name.mid(5, name.size() - 11);
        if (!QFileInfo::exists(QStringLiteral("/proc/") + pid))
            directory.remove(name);
    }
    QFile file(own);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(address) != address.size())
        fail("cannot leave the statistics address", qPrintable(file.errorString()));
}

// An in-memory file holding the text, left open across exec; its /proc path is returned.
QByteArray memoryFile(const QByteArray& text)
{
    const int fd = ::memfd_create("xray-config", 0);
    if (fd < 0)
        fail("no in-memory file", std::strerror(errno));
    for (qsizetype written = 0; written < text.size();) {
        const auto n = ::write(fd, text.constData() + written, size_t(text.size() - written));
        if (n <= 0)
            fail("cannot write the configuration", std::strerror(errno));
        written += n;
    }
    return "/proc/self/fd/" + QByteArray::number(fd);
}

} // namespace

int main(int argc, char** argv)
{
    CoreSupervisor::endWithParent();
    if (argc != 4 || std::strcmp(argv[1], "run") != 0
        || (std::strcmp(argv[2], "-c") != 0 && std::strcmp(argv[2], "-config") != 0)) {
        std::fprintf(stderr, "usage: %s run -c FILE\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[3]));
    if (!file.open(QIODevice::ReadOnly))
        fail(argv[3], qPrintable(file.errorString()));
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        fail(argv[3], qPrintable(error.errorString()));

    const int port = freeLoopbackPort();
    const QByteArray configPath = memoryFile(withStatistics(document.object(), port));
    const QByteArray address = "127.0.0.1:" + QByteArray::number(port);
    ::setenv(CoreStatsApi::addressVariable, address.constData(), 1);
    publishAddress(address);
    if (const char* assets = std::getenv("XRAY_LOCATION_ASSET"))
        ::setenv("V2RAY_LOCATION_ASSET", assets, 1);

    char* const arguments[] = {const_cast<char*>("v2ray"), const_cast<char*>("-config"),
                               const_cast<char*>(configPath.constData()), nullptr};
    return CoreSupervisor::run(v2rayProgram, arguments);
}

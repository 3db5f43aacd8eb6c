#include "system_proxy.h"

#include "command_queue.h"
#include "platform/process_runner.h"
#include "platform/utf8_text.h"

#include <QMutexLocker>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kNetworksetup = QStringLiteral("/usr/sbin/networksetup");
const QString kSudo = QStringLiteral("/usr/bin/sudo");
const QString kLocalHost = QStringLiteral("127.0.0.1");
const QStringList kPreferredServices{QStringLiteral("Wi-Fi"), QStringLiteral("Ethernet"),
                                     QStringLiteral("USB 10/100/1000 LAN"), QStringLiteral("Thunderbolt Ethernet")};

QString outputText(const ProcessResult& result) { return decodeUtf8(result.output).value_or(QString()); }

// The names listed by "-listallnetworkservices", without its header line.
QStringList listedServices(const QString& listing)
{
    QStringList services;
    for (const auto& line : listing.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        auto name = line;
        while (!name.isEmpty() && (name.front() == u' ' || name.front() == u'\t'))
            name.remove(0, 1);
        while (!name.isEmpty() && (name.back() == u' ' || name.back() == u'\t'))
            name.chop(1);
        if (name.isEmpty() || name.startsWith(QLatin1String("An asterisk"))
            || name.contains(QLatin1String("networkservices")))
            continue;
        services.append(name);
    }
    return services;
}

// networksetup's read and switch options of each kind of proxy.
struct Options {
    QString read;
    QString switchState;
};

Options optionsOf(SystemProxy::Kind kind)
{
    switch (kind) {
    case SystemProxy::Kind::web:
        return {QStringLiteral("-getwebproxy"), QStringLiteral("-setwebproxystate")};
    case SystemProxy::Kind::secureWeb:
        return {QStringLiteral("-getsecurewebproxy"), QStringLiteral("-setsecurewebproxystate")};
    case SystemProxy::Kind::socks:
        break;
    }
    return {QStringLiteral("-getsocksfirewallproxy"), QStringLiteral("-setsocksfirewallproxystate")};
}

} // namespace

SystemProxy::Setting SystemProxy::parse(const QString& output)
{
    Setting setting;
    for (const auto& raw : output.split(QLatin1Char('\n'))) {
        const auto line = raw.trimmed();
        if (line.startsWith(QLatin1String("Enabled:")))
            setting.enabled = line.mid(8).trimmed() == QLatin1String("Yes");
        else if (line.startsWith(QLatin1String("Server:")))
            setting.server = line.mid(7).trimmed();
        else if (line.startsWith(QLatin1String("Port:")))
            setting.port = line.mid(5).trimmed().toInt();
    }
    return setting;
}

bool SystemProxy::pointsAt(const Setting& setting, const QList<int>& localPorts)
{
    return setting.enabled && setting.server == kLocalHost && localPorts.contains(setting.port);
}

QStringList SystemProxy::switchArguments(Kind kind, const QString& service, bool on)
{
    return {optionsOf(kind).switchState, service, on ? QStringLiteral("on") : QStringLiteral("off")};
}

QList<QStringList> SystemProxy::pointAtCoreArguments(const QString& service, int httpPort, int socksPort)
{
    QList<QStringList> commands{
        {QStringLiteral("-setwebproxy"), service, kLocalHost, QString::number(httpPort)},
        {QStringLiteral("-setsecurewebproxy"), service, kLocalHost, QString::number(httpPort)},
        {QStringLiteral("-setsocksfirewallproxy"), service, kLocalHost, QString::number(socksPort)},
    };
    for (const auto kind : allKinds)
        commands.append(switchArguments(kind, service, true));
    return commands;
}

SystemProxy::SystemProxy(ProcessRunner& processes, CommandQueue& commands)
    : m_processes(processes)
    , m_commands(commands)
{
}

std::optional<QString> SystemProxy::detectService()
{
    QMutexLocker locker(&m_mutex);
    if (m_service)
        return m_service;
    const auto result = m_processes.run({kNetworksetup, {QStringLiteral("-listallnetworkservices")}});
    if (!result.started)
        return std::nullopt;
    const auto services = listedServices(outputText(result));
    // The preference order decides. The listed name is what the commands need: a second Wi-Fi
    // service is called "Wi-Fi 2", and "Wi-Fi" would name no service at all.
    for (const auto& preferred : kPreferredServices) {
        auto match = std::find(services.cbegin(), services.cend(), preferred);
        if (match == services.cend())
            match = std::find_if(services.cbegin(), services.cend(),
                                 [&](const QString& s) { return s.startsWith(preferred); });
        if (match != services.cend())
            return m_service = *match;
    }
    if (services.isEmpty())
        return std::nullopt;
    return m_service = services.first();
}

bool SystemProxy::privileged(const QStringList& arguments, std::chrono::milliseconds limit)
{
    return m_processes.run({kSudo, QStringList{QStringLiteral("-n"), kNetworksetup} + arguments, {}, {}, limit})
        .succeeded();
}

SystemProxy::Setting SystemProxy::readSetting(const QString& service, Kind kind)
{
    const auto result = m_processes.run({kNetworksetup, {optionsOf(kind).read, service}});
    if (!result.succeeded())
        return {};
    return parse(outputText(result));
}

QCoro::Task<std::optional<QString>> SystemProxy::activeService()
{
    return m_commands.run([this] { return detectService(); });
}

QCoro::Task<bool> SystemProxy::runPrivileged(QStringList arguments, std::chrono::milliseconds limit)
{
    return m_commands.run([this, arguments, limit] { return privileged(arguments, limit); });
}

QCoro::Task<SystemProxy::Setting> SystemProxy::read(QString service, Kind kind)
{
    return m_commands.run([this, service, kind] { return readSetting(service, kind); });
}

QCoro::Task<> SystemProxy::refreshSudoCredential()
{
    auto* processes = &m_processes;
    return m_commands.run([processes] { processes->run({kSudo, {QStringLiteral("-n"), QStringLiteral("-v")}}); });
}

QCoro::Task<SystemProxy::SocksSwitch> SystemProxy::switchSocks(bool on, int port, std::chrono::milliseconds limit)
{
    return m_commands.run([this, on, port, limit] {
        SocksSwitch outcome;
        const auto service = detectService();
        if (!service)
            return outcome;
        outcome.serviceFound = true;
        const QStringList point{QStringLiteral("-setsocksfirewallproxy"), *service, kLocalHost, QString::number(port)};
        const auto switchState = switchArguments(Kind::socks, *service, on);
        if (privileged(on ? point : switchState, limit)) {
            outcome.succeeded = true;
            return outcome;
        }
        if (on) {
            const bool pointed = privileged(point, limit);
            const bool switched = privileged(switchState, limit);
            outcome.succeeded = pointed && switched;
        } else {
            outcome.succeeded = privileged(switchState, limit);
        }
        outcome.onSecondAttempt = outcome.succeeded;
        return outcome;
    });
}

QCoro::Task<SystemProxy::AllOff> SystemProxy::switchAllOff(std::optional<QString> service,
                                                           std::chrono::milliseconds limit)
{
    return m_commands.run([this, service, limit] {
        AllOff outcome{service ? service : detectService()};
        if (!outcome.service)
            return outcome;
        for (const auto kind : allKinds)
            outcome.socksOff = privileged(switchArguments(kind, *outcome.service, false), limit);
        return outcome;
    });
}

QCoro::Task<QList<SystemProxy::Kind>> SystemProxy::clearLeftovers(QList<int> localPorts,
                                                                  std::chrono::milliseconds limit,
                                                                  std::shared_ptr<std::atomic<bool>> cancelled)
{
    return m_commands.run([this, localPorts, limit, cancelled] {
        QList<Kind> cleared;
        const auto service = detectService();
        if (!service)
            return cleared;
        for (const auto kind : allKinds) {
            if (!pointsAt(readSetting(*service, kind), localPorts) || *cancelled)
                continue;
            privileged(switchArguments(kind, *service, false), limit);
            cleared.append(kind);
        }
        return cleared;
    });
}

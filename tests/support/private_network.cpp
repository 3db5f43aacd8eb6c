#include "private_network.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

namespace {

const char kRoleVariable[] = "VELMORAND_TEST_ROLE";

QString ipTool()
{
    auto path = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(QStringLiteral("ip"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

bool runCommand(const QString& program, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(30000)) {
        *error = program + QStringLiteral(": ") + process.errorString();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = (QStringList{program} + arguments).join(QLatin1Char(' ')) + QStringLiteral(": ")
            + QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }
    return true;
}

// This test program with the role and the further environment, not started yet.
std::unique_ptr<QProcess> selfWithRole(const QString& role, const QMap<QString, QString>& environment)
{
    auto process = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kRoleVariable), role);
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    return process;
}

QString onlyTest(const QString& test) { return QStringLiteral("--gtest_filter=") + test; }

} // namespace

bool NetworkNamespace::available(QString* why)
{
    if (::geteuid() != 0) {
        *why = QStringLiteral("network namespaces need root (CI runs as root)");
        return false;
    }
    if (ipTool().isEmpty()) {
        *why = QStringLiteral("the ip tool (iproute2) is missing");
        return false;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("nft")).isEmpty()
        && QStandardPaths::findExecutable(QStringLiteral("nft"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
               .isEmpty()) {
        *why = QStringLiteral("nft (nftables) is missing");
        return false;
    }
    NetworkNamespace probe(QStringLiteral("probe"));
    return probe.create(why);
}

NetworkNamespace::NetworkNamespace(const QString& tag)
    : m_name(QStringLiteral("velmorand-") + tag + QLatin1Char('-') + QString::number(::getpid()))
{
}

NetworkNamespace::~NetworkNamespace()
{
    if (!m_created)
        return;
    QString ignored;
    runCommand(ipTool(), {QStringLiteral("netns"), QStringLiteral("delete"), m_name}, &ignored);
}

bool NetworkNamespace::create(QString* error)
{
    if (!runCommand(ipTool(), {QStringLiteral("netns"), QStringLiteral("add"), m_name}, error))
        return false;
    m_created = true;
    return run({ipTool(), QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")},
               error);
}

bool NetworkNamespace::run(const QStringList& command, QString* error) const
{
    return runCommand(ipTool(), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_name} + command, error);
}

bool NetworkNamespace::linkTo(const NetworkNamespace& other, const QString& ownAddress, const QString& otherAddress,
                              QString* error)
{
    // Interface names hold at most 15 characters.
    const auto base = QStringLiteral("vm%1").arg(::getpid() % 100000);
    const QString own = base + QLatin1Char('a');
    const QString theirs = base + QLatin1Char('b');
    const auto ip = ipTool();
    return run({ip, QStringLiteral("link"), QStringLiteral("add"), own, QStringLiteral("type"), QStringLiteral("veth"),
                QStringLiteral("peer"), QStringLiteral("name"), theirs, QStringLiteral("netns"), other.name()},
               error)
        && run({ip, QStringLiteral("address"), QStringLiteral("add"), ownAddress, QStringLiteral("dev"), own}, error)
        && run({ip, QStringLiteral("link"), QStringLiteral("set"), own, QStringLiteral("up")}, error)
        && other.run(
            {ip, QStringLiteral("address"), QStringLiteral("add"), otherAddress, QStringLiteral("dev"), theirs}, error)
        && other.run({ip, QStringLiteral("link"), QStringLiteral("set"), theirs, QStringLiteral("up")}, error);
}

std::unique_ptr<QProcess> NetworkNamespace::startSelf(const QString& test, const QString& role,
                                                      const QMap<QString, QString>& environment) const
{
    auto process = selfWithRole(role, environment);
    process->start(ipTool(),
                   {QStringLiteral("netns"), QStringLiteral("exec"), m_name, QCoreApplication::applicationFilePath(),
                    onlyTest(test)});
    return process;
}

std::unique_ptr<QProcess> NetworkNamespace::startSelfHere(const QString& test, const QString& role,
                                                          const QMap<QString, QString>& environment)
{
    auto process = selfWithRole(role, environment);
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(QCoreApplication::applicationFilePath(), {onlyTest(test)});
    return process;
}

QString NetworkNamespace::role() { return qEnvironmentVariable(kRoleVariable); }

bool NetworkNamespace::runSelf(const QString& test, const QString& role, int timeoutMs, QByteArray* output,
                               const QMap<QString, QString>& environment) const
{
    const auto process = startSelf(test, role, environment);
    const bool ended = process->waitForFinished(timeoutMs);
    *output = process->readAll();
    return ended && process->exitCode() == 0 && output->contains("[  PASSED  ] 1 test");
}

QString nftRuleset()
{
    QProcess nft;
    nft.start(QStringLiteral("nft"), {QStringLiteral("list"), QStringLiteral("ruleset")});
    nft.waitForFinished();
    return QString::fromUtf8(nft.readAllStandardOutput());
}

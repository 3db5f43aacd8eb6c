#include "program_exemption.h"

#include "platform/own_processes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <thread>

namespace ProgramExemption {

namespace {

// Where nftables resolves the control groups its rules name.
const QString kNftRoot = QStringLiteral("/sys/fs/cgroup");
// A started program is moved in within this time; a desktop program takes longer than that to
// open its first connection.
constexpr std::chrono::milliseconds kRound{50};

struct Hierarchy {
    QString mountPoint;
};

std::optional<Hierarchy> cgroup2Hierarchy()
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly))
        return std::nullopt;
    // "ID PARENT MAJ:MIN ROOT MOUNTPOINT OPTIONS... - TYPE SOURCE SUPEROPTIONS"
    for (const auto& line : QString::fromUtf8(mounts.readAll()).split(QLatin1Char('\n'))) {
        const auto fields = line.split(QLatin1Char(' '));
        const auto separator = fields.indexOf(QStringLiteral("-"));
        if (separator < 5 || fields.value(separator + 1) != QLatin1String("cgroup2"))
            continue;
        const auto& root = fields[3];
        const auto& mountPoint = fields[4];
        // A mount of a part of the hierarchy would make the depths nftables counts differ from ours.
        if (root == QLatin1String("/")
            && (mountPoint == kNftRoot || mountPoint.startsWith(kNftRoot + QLatin1Char('/'))))
            return Hierarchy{mountPoint};
    }
    return std::nullopt;
}

QString procFile(qint64 pid, const char* name)
{
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name));
}

std::optional<quint32> realUserOf(qint64 pid)
{
    QFile status(procFile(pid, "status"));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const auto& line : status.readAll().split('\n')) {
        if (!line.startsWith("Uid:"))
            continue;
        bool ok = false;
        const auto uid = line.mid(4).simplified().split(' ').value(0).toUInt(&ok);
        return ok ? std::optional<quint32>(uid) : std::nullopt;
    }
    return std::nullopt;
}

// The process's group in the cgroup v2 hierarchy ("/user.slice/…"), or empty when it is gone.
QString groupOf(qint64 pid)
{
    QFile groups(procFile(pid, "cgroup"));
    if (!groups.open(QIODevice::ReadOnly))
        return {};
    for (const auto& line : QString::fromUtf8(groups.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("0::")))
            return line.mid(3);
    return {};
}

QList<qint64> processes()
{
    QList<qint64> pids;
    for (const auto& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const auto pid = name.toLongLong(&ok);
        if (ok)
            pids.append(pid);
    }
    return pids;
}

QList<qint64> membersOf(const QString& directory)
{
    QFile procs(directory + QStringLiteral("/cgroup.procs"));
    QList<qint64> pids;
    if (!procs.open(QIODevice::ReadOnly))
        return pids;
    for (const auto& line : procs.readAll().split('\n')) {
        bool ok = false;
        const auto pid = line.toLongLong(&ok);
        if (ok)
            pids.append(pid);
    }
    return pids;
}

bool moveInto(const QString& directory, qint64 pid)
{
    QFile procs(directory + QStringLiteral("/cgroup.procs"));
    return procs.open(QIODevice::WriteOnly) && procs.write(QByteArray::number(pid)) > 0 && procs.flush();
}

class Watcher {
public:
    Watcher(const Group& group, QString mountPoint)
        : m_group(group)
        , m_mountPoint(std::move(mountPoint))
        , m_ownPath(m_group.directory.mid(m_mountPoint.size()))
    {
    }

    void sweep(const QList<Program>& programs)
    {
        for (const auto pid : processes()) {
            const auto executable = OwnProcesses::executableOf(pid);
            const auto user = realUserOf(pid);
            if (executable.isEmpty() || !user || !matches(programs, executable, *user))
                continue;
            const auto current = groupOf(pid);
            if (current.isEmpty() || current == m_ownPath)
                continue;
            if (moveInto(m_group.directory, pid))
                m_origins.insert(pid, current);
        }
        for (const auto pid : membersOf(m_group.directory)) {
            const auto user = realUserOf(pid);
            if (!user || !matches(programs, OwnProcesses::executableOf(pid), *user))
                moveBack(pid);
        }
    }

    void releaseAll()
    {
        for (const auto pid : membersOf(m_group.directory))
            moveBack(pid);
        QDir().rmdir(m_group.directory);
    }

private:
    void moveBack(qint64 pid)
    {
        // Where it came from, while that group is still there; else the top of the hierarchy.
        const auto origin = m_origins.take(pid);
        if (origin.isEmpty() || !moveInto(m_mountPoint + origin, pid))
            moveInto(m_mountPoint, pid);
    }

    const Group m_group;
    const QString m_mountPoint;
    const QString m_ownPath;
    QHash<qint64, QString> m_origins;
};

} // namespace

std::optional<Group> groupFor(const QString& stateDirectory, QString* why)
{
    const auto hierarchy = cgroup2Hierarchy();
    if (!hierarchy) {
        *why = QStringLiteral("no cgroup v2 hierarchy is mounted at or below ") + kNftRoot;
        return std::nullopt;
    }
    // One group per state, so that separate states (tests side by side) never share one.
    const QString name
        = QStringLiteral("velmorand-split-")
        + QString::fromLatin1(
              QCryptographicHash::hash(stateDirectory.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    Group group;
    group.directory = hierarchy->mountPoint + QLatin1Char('/') + name;
    group.nftPath = group.directory.mid(kNftRoot.size() + 1);
    group.level = 1;
    return group;
}

bool create(const Group& group, QString* error)
{
    if (QDir(group.directory).exists() || QDir().mkdir(group.directory))
        return true;
    *error = QStringLiteral("cannot make the control group ") + group.directory;
    return false;
}

bool matches(const QList<Program>& programs, const QString& executable, quint32 user)
{
    return std::any_of(programs.cbegin(), programs.cend(), [&](const Program& program) {
        const auto path = QDir::cleanPath(program.path);
        return program.user == user && (executable == path || executable.startsWith(path + QLatin1Char('/')));
    });
}

void watch(const Group& group, const std::function<void(const std::function<void()>&)>& locked,
           const std::function<QList<Program>()>& programsInEffect)
{
    const auto hierarchy = cgroup2Hierarchy();
    if (!hierarchy)
        return;
    Watcher watcher(group, hierarchy->mountPoint);
    for (bool ended = false;;) {
        locked([&] {
            const auto programs = programsInEffect();
            ended = programs.isEmpty();
            if (ended)
                watcher.releaseAll();
            else
                watcher.sweep(programs);
        });
        if (ended)
            return;
        std::this_thread::sleep_for(kRound);
    }
}

} // namespace ProgramExemption

#include "process_placement.h"

#include "platform/own_processes.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <optional>

namespace ProgramExemption {

namespace {

// A process in the kernel's uninterruptible sleep (a slow disk) stops only once it wakes: the
// group is taken as held after this time all the same.
constexpr std::chrono::milliseconds kHoldingAtMost{100};

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

} // namespace

ProcessPlacement::ProcessPlacement(const Group& group, QString mountPoint)
    : m_group(group)
    , m_mountPoint(std::move(mountPoint))
    , m_ownPath(m_group.directory.mid(m_mountPoint.size()))
{
    // A watcher that ended while it held the group would otherwise leave it held.
    hold(false);
}

void ProcessPlacement::placeAll(const QList<Program>& programs)
{
    for (const auto pid : processes())
        if (runsOneOf(pid, programs))
            place(pid, programs);
    const auto members = membersOf(m_group.directory);
    for (const auto pid : members)
        if (!runsOneOf(pid, programs))
            moveBack(pid);
    // Forgets the processes that have ended or left.
    const QSet<qint64> inside(members.cbegin(), members.cend());
    m_origins.removeIf([&](const auto& entry) { return !inside.contains(entry.key()); });
}

void ProcessPlacement::place(qint64 pid, const QList<Program>& programs)
{
    const auto current = groupOf(pid);
    if (current.isEmpty())
        return;
    const bool inside = current == m_ownPath;
    if (runsOneOf(pid, programs)) {
        if (!inside && moveInto(m_group.directory, pid))
            m_origins.insert(pid, current);
    } else if (inside) {
        moveBack(pid);
    }
}

void ProcessPlacement::releaseAll()
{
    for (const auto pid : membersOf(m_group.directory))
        moveBack(pid);
    QDir().rmdir(m_group.directory);
}

QList<qint64> ProcessPlacement::follow(const QList<ProcessEvents::Event>& events, const QList<Program>& programs)
{
    using Kind = ProcessEvents::Event::Kind;
    QList<qint64> toPlace;
    for (const auto& event : events) {
        switch (event.kind) {
        case Kind::forked: {
            // Born inside with its parent, it goes back where the parent came from.
            const auto origin = m_origins.value(event.parent);
            if (!origin.isEmpty()) {
                m_origins.insert(event.pid, origin);
                break;
            }
            // A number used again: nothing of the process that had it holds. (Ends are not
            // followed; they are forgotten so, or when every process is looked at.)
            m_origins.remove(event.pid);
            // Born outside to a process of the programs not yet moved in, it runs that program too.
            if (runsOneOf(event.pid, programs))
                toPlace.append(event.pid);
            break;
        }
        case Kind::changed:
            if (m_origins.contains(event.pid) || runsOneOf(event.pid, programs))
                toPlace.append(event.pid);
            break;
        }
    }
    return toPlace;
}

bool ProcessPlacement::mayBeInside(const QList<qint64>& pids) const
{
    return std::any_of(pids.cbegin(), pids.cend(), [this](qint64 pid) { return m_origins.contains(pid); });
}

void ProcessPlacement::hold(bool still)
{
    // Ended while it holds them, the watcher would leave the programs' processes stopped: the
    // signals that end it wait until they go on again.
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        sigaddset(&ending, signal);
    if (still)
        ::pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    QFile freeze(m_group.directory + QStringLiteral("/cgroup.freeze"));
    const bool written = freeze.open(QIODevice::WriteOnly) && freeze.write(still ? "1" : "0") == 1 && freeze.flush();
    if (!still)
        ::pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
    if (written && still)
        waitUntilHeld();
}

void ProcessPlacement::waitUntilHeld() const
{
    // Its processes stop as they next leave the kernel; the group tells when all have.
    QFile events(m_group.directory + QStringLiteral("/cgroup.events"));
    if (!events.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    const auto deadline = std::chrono::steady_clock::now() + kHoldingAtMost;
    for (;;) {
        if (!events.seek(0) || events.readAll().contains("frozen 1"))
            return;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd changed{events.handle(), POLLPRI, 0};
        ::poll(&changed, 1, int(left.count()));
    }
}

bool ProcessPlacement::runsOneOf(qint64 pid, const QList<Program>& programs) const
{
    const auto executable = OwnProcesses::executableOf(pid);
    // Most processes run none of the programs: their user is not read.
    const auto covered = [&](const Program& program) { return covers(program, executable); };
    if (executable.isEmpty() || std::none_of(programs.cbegin(), programs.cend(), covered))
        return false;
    const auto user = realUserOf(pid);
    return user && matches(programs, executable, *user);
}

void ProcessPlacement::moveBack(qint64 pid)
{
    // Where it came from, while that group is still there; else the top of the hierarchy.
    const auto origin = m_origins.take(pid);
    if (origin.isEmpty() || !moveInto(m_mountPoint + origin, pid))
        moveInto(m_mountPoint, pid);
}

} // namespace ProgramExemption

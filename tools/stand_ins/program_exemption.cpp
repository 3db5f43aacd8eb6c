#include "program_exemption.h"

#include "file_changes.h"
#include "process_events.h"
#include "process_placement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <poll.h>
#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace ProgramExemption {

namespace {

// Where nftables resolves the control groups its rules name.
const QString kNftRoot = QStringLiteral("/sys/fs/cgroup");
// Without the kernel's reports, a started program is moved in within this time; a desktop
// program takes longer than that to open its first connection.
constexpr std::chrono::milliseconds kRound{50};

using Locked = std::function<void(const std::function<void()>&)>;
using ProgramsInEffect = std::function<QList<Program>()>;

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

// Reads the programs in effect under the lock and places every process, or ends the exemption
// when none remain; whether it ended.
bool placeAllOrEnd(ProcessPlacement& placement, const Locked& locked, const ProgramsInEffect& programsInEffect,
                   QList<Program>* programs)
{
    bool ended = false;
    locked([&] {
        *programs = programsInEffect();
        ended = programs->isEmpty();
        if (ended)
            placement.releaseAll();
        else
            placement.placeAll(*programs);
    });
    return ended;
}

void lookEveryRound(ProcessPlacement& placement, const Locked& locked, const ProgramsInEffect& programsInEffect)
{
    QList<Program> programs;
    while (!placeAllOrEnd(placement, locked, programsInEffect, &programs))
        std::this_thread::sleep_for(kRound);
}

// Sleeps until the kernel reports a process or the state changes: nothing is done while nothing
// starts.
void waitForNews(const ProcessEvents& events, const FileChanges& changes)
{
    pollfd watched[] = {{events.descriptor(), POLLIN, 0}, {changes.descriptor(), POLLIN, 0}};
    while (::poll(watched, 2, -1) < 0 && errno == EINTR) {}
}

void followReports(ProcessPlacement& placement, ProcessEvents& events, FileChanges& changes, const Locked& locked,
                   const ProgramsInEffect& programsInEffect)
{
    QList<Program> programs;
    // Listening came first: whatever starts from here on is reported, or reported lost.
    if (placeAllOrEnd(placement, locked, programsInEffect, &programs))
        return;
    for (;;) {
        waitForNews(events, changes);
        bool lookAtAll = changes.changed();
        auto reports = events.take();
        auto toPlace = placement.follow(reports.events, programs);
        // A move takes the kernel a while (a grace period of its own, milliseconds), and a
        // process that has just started another program would open its first connections inside
        // meanwhile: the group is held still first, until it is out. Held, its processes start
        // nothing more, and what they started before is reported by now.
        const bool held = placement.mayBeInside(toPlace);
        if (held) {
            placement.hold(true);
            const auto more = events.take();
            reports.lost = reports.lost || more.lost;
            toPlace += placement.follow(more.events, programs);
            lookAtAll = changes.changed() || lookAtAll;
        }
        lookAtAll = lookAtAll || reports.lost;
        bool ended = false;
        if (lookAtAll) {
            ended = placeAllOrEnd(placement, locked, programsInEffect, &programs);
        } else if (!toPlace.isEmpty()) {
            locked([&] {
                for (const auto pid : toPlace)
                    placement.place(pid, programs);
            });
        }
        if (held)
            placement.hold(false);
        if (ended)
            return;
    }
}

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

bool covers(const Program& program, const QString& executable)
{
    const auto path = QDir::cleanPath(program.path);
    return executable == path || executable.startsWith(path + QLatin1Char('/'));
}

bool matches(const QList<Program>& programs, const QString& executable, quint32 user)
{
    return std::any_of(programs.cbegin(), programs.cend(),
                       [&](const Program& program) { return program.user == user && covers(program, executable); });
}

void watch(const Group& group, const Locked& locked, const ProgramsInEffect& programsInEffect, const QString& stateFile)
{
    const auto hierarchy = cgroup2Hierarchy();
    if (!hierarchy)
        return;
    ProcessPlacement placement(group, hierarchy->mountPoint);
    QString why;
    const auto events = ProcessEvents::listen(&why);
    const auto changes = events ? FileChanges::watch(stateFile, &why) : nullptr;
    if (events && changes) {
        // Woken by a start, it must hold the group before the new program has got far (an
        // interpreter opens connections within milliseconds): ahead of the machine's busy work,
        // as the lowest of the real-time tasks. It works a few microseconds per start and
        // sleeps otherwise.
        const sched_param lowestRealTime{sched_get_priority_min(SCHED_FIFO)};
        ::sched_setscheduler(0, SCHED_FIFO, &lowestRealTime);
        followReports(placement, *events, *changes, locked, programsInEffect);
    } else {
        std::fprintf(stderr, "pfctl: looking at every process every %lld ms: %s\n",
                     static_cast<long long>(kRound.count()), qPrintable(why));
        lookEveryRound(placement, locked, programsInEffect);
    }
}

} // namespace ProgramExemption

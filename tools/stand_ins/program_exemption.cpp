#include "program_exemption.h"

#include "exemption_group.h"
#include "file_changes.h"
#include "process_events.h"
#include "process_placement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <poll.h>

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
// Woken this soon after it last took reports, the watcher lets reports gather a moment before it
// takes them: on a busy machine it then wakes at most a hundred times a second, each time for many
// starts, instead of once for each (a wake costs far more than the reports it reads). A listed
// program waits no longer than that to be moved in, less than it takes to open its first
// connection; on a quiet machine it is moved in at once.
constexpr std::chrono::milliseconds kBusy{50};
constexpr std::chrono::milliseconds kGathering{10};

using Locked = std::function<void(const std::function<void()>&)>;
using ProgramsInEffect = std::function<QList<Program>()>;
using StepAside = std::function<void()>;

std::optional<QString> cgroup2MountPoint()
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
            return mountPoint;
    }
    return std::nullopt;
}

// Reads the programs in effect under the lock and places every process, or releases the group
// when none remain; whether it did.
bool placeAllOrEnd(ProcessPlacement& placement, const Group& group, const Locked& locked,
                   const ProgramsInEffect& programsInEffect, const StepAside& stepAside)
{
    bool ended = false;
    locked([&] {
        const auto programs = programsInEffect();
        ended = programs.isEmpty();
        if (ended) {
            release(group);
            stepAside();
            return;
        }
        placement.setPrograms(programs);
        placement.placeAll();
    });
    return ended;
}

void lookEveryRound(ProcessPlacement& placement, const Group& group, const Locked& locked,
                    const ProgramsInEffect& programsInEffect, const StepAside& stepAside)
{
    while (!placeAllOrEnd(placement, group, locked, programsInEffect, stepAside))
        std::this_thread::sleep_for(kRound);
}

// Sleeps until the kernel reports a process or the state may have changed: nothing is done while
// nothing starts. Whether the state may have changed.
bool waitForNews(const ProcessEvents& events, FileChanges& changes)
{
    pollfd watched[] = {{events.descriptor(), POLLIN, 0}, {changes.descriptor(), POLLIN, 0}};
    while (::poll(watched, 2, -1) < 0 && errno == EINTR) {}
    // Most wakes are starts: the state's news is read only when there is some.
    return watched[1].revents != 0 && changes.changed();
}

void followReports(ProcessPlacement& placement, ProcessEvents& events, FileChanges& changes, const Group& group,
                   const Locked& locked, const ProgramsInEffect& programsInEffect, const StepAside& stepAside)
{
    // Listening came first: whatever starts from here on is reported, or reported lost.
    if (placeAllOrEnd(placement, group, locked, programsInEffect, stepAside))
        return;
    auto lastTaken = std::chrono::steady_clock::time_point();
    for (;;) {
        const bool stateChanged = waitForNews(events, changes);
        if (std::chrono::steady_clock::now() - lastTaken < kBusy)
            std::this_thread::sleep_for(kGathering);
        if (stateChanged) {
            if (placeAllOrEnd(placement, group, locked, programsInEffect, stepAside))
                return;
            continue;
        }
        const auto reports = events.take();
        lastTaken = std::chrono::steady_clock::now();
        if (reports.lost) {
            if (placeAllOrEnd(placement, group, locked, programsInEffect, stepAside))
                return;
            continue;
        }
        const auto moves = placement.follow(reports.events);
        if (moves.isEmpty())
            placement.carryOut(moves, !reports.more);
        else
            locked([&] { placement.carryOut(moves, !reports.more); });
    }
}

} // namespace

std::optional<Group> groupFor(const QString& stateDirectory, QString* why)
{
    const auto mountPoint = cgroup2MountPoint();
    if (!mountPoint) {
        *why = QStringLiteral("no cgroup v2 hierarchy is mounted at or below ") + kNftRoot;
        return std::nullopt;
    }
    // One group per state, so that separate states (tests side by side) never share one.
    const QString name
        = QStringLiteral("velmorand-split-")
        + QString::fromLatin1(
              QCryptographicHash::hash(stateDirectory.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    Group group;
    group.directory = *mountPoint + QLatin1Char('/') + name;
    group.nftPath = group.directory.mid(kNftRoot.size() + 1);
    group.level = 1;
    group.mountPoint = *mountPoint;
    group.originsFile = stateDirectory + QStringLiteral("/exempted-origins");
    return group;
}

bool create(const Group& group, QString* error)
{
    if (QDir(group.directory).exists()) {
        thaw(group.directory);
        return true;
    }
    if (QDir().mkdir(group.directory))
        return true;
    *error = QStringLiteral("cannot make the control group ") + group.directory;
    return false;
}

void watch(const Group& group, const Locked& locked, const ProgramsInEffect& programsInEffect, const QString& stateFile,
           const StepAside& stepAside)
{
    ProcessPlacement placement(group);
    QString why;
    const auto events = ProcessEvents::listen(&why);
    const auto changes = events ? FileChanges::watch(stateFile, &why) : nullptr;
    if (events && changes) {
        followReports(placement, *events, *changes, group, locked, programsInEffect, stepAside);
    } else {
        std::fprintf(stderr, "pfctl: looking at every process every %lld ms: %s\n",
                     static_cast<long long>(kRound.count()), qPrintable(why));
        lookEveryRound(placement, group, locked, programsInEffect, stepAside);
    }
}

} // namespace ProgramExemption

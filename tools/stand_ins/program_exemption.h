#pragma once

// How the pfctl stand-in lets single programs out past a block: the kernel cannot match a packet
// by the program that sent it, but nftables can match the control group (cgroup v2) of the
// sending socket. A process that starts a listed program is moved into a control group of our
// own, which the table passes; every process it starts from then on, at any depth and however it
// is started, the kernel creates in that group too, so a listed program's children go out with it
// without anyone having to catch them. A socket stays in the group it was made in: one the
// listed program makes before the watcher has moved it stays blocked.
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace ProgramExemption {

// Processes that run, as the user `user`, the file at `path` or a file below the folder at
// `path`: the file itself, as root sees it there, not merely something shown under that name.
struct Program {
    QString path;
    quint32 user = 0;
    bool operator==(const Program&) const = default;
};

// Our control group for one stand-in state.
struct Group {
    // Its directory in the cgroup v2 hierarchy.
    QString directory;
    // As nftables names it: below /sys/fs/cgroup, and its depth in the hierarchy.
    QString nftPath;
    int level = 0;
    // Where the hierarchy is mounted.
    QString mountPoint;
    // Where the group each moved process came from is kept.
    QString originsFile;
};

// The group for a state directory, where this machine offers a cgroup v2 hierarchy below
// /sys/fs/cgroup (where nftables looks); otherwise nullopt with the reason in *why.
std::optional<Group> groupFor(const QString& stateDirectory, QString* why);
// Makes the group's directory; false with the reason in *error.
bool create(const Group& group, QString* error);

// The watcher. It asks for the programs in effect under the lock that `locked` takes around its
// call, and again whenever `stateFile`, where they are kept, changes; each time it moves every
// process of theirs (and what those started) into the group, and sends back the processes of
// programs no longer listed. Meanwhile it moves in each process that the kernel reports starting
// one of the programs, and looks at every process again where reports were lost; where the
// kernel does not report, it looks at every process every round. It never moves a process out
// while its program is listed. Once no programs remain, it releases the group, calls `stepAside`
// (still under the lock) and returns.
void watch(const Group& group, const std::function<void(const std::function<void()>&)>& locked,
           const std::function<QList<Program>()>& programsInEffect, const QString& stateFile,
           const std::function<void()>& stepAside);

} // namespace ProgramExemption

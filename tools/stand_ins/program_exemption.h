#pragma once

// How the pfctl stand-in lets single programs out past a block: the kernel cannot match a packet
// by the program that sent it, but nftables can match the control group (cgroup v2) of the
// sending socket. The processes of an exempted program are moved into a control group of our own,
// which the table passes; a watcher moves them in as they start, and out again when they start
// another program or their program is no longer exempted. A socket stays in the group it was made
// in: a process that sends before the watcher has moved it stays blocked for that socket, and one
// moved out as it starts another program has made none of the new program's yet.
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace ProgramExemption {

// Processes that run an executable at or below `path` as the user `user`.
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
};

// The group for a state directory, where this machine offers a cgroup v2 hierarchy below
// /sys/fs/cgroup (where nftables looks); otherwise nullopt with the reason in *why.
std::optional<Group> groupFor(const QString& stateDirectory, QString* why);
// Makes the group's directory; false with the reason in *error.
bool create(const Group& group, QString* error);

// Whether `executable` is the program's, whoever runs it.
bool covers(const Program& program, const QString& executable);
// Whether a process running `executable` as `user` belongs to one of the programs.
bool matches(const QList<Program>& programs, const QString& executable, quint32 user);

// The watcher. Under the lock that `locked` takes around its call, it asks for the programs in
// effect, moves the processes that match into the group and those that no longer match back where
// they came from; it asks again whenever `stateFile`, where they are kept, changes. Meanwhile it
// places each process as the kernel reports it starting a program (a child started by one of the
// programs runs outside unless it runs one of them too), and looks at every process again where
// reports were lost. Where the kernel does not report, it looks at every process every round.
// Once no programs remain, it moves every process back, removes the group and returns.
void watch(const Group& group, const std::function<void(const std::function<void()>&)>& locked,
           const std::function<QList<Program>()>& programsInEffect, const QString& stateFile);

} // namespace ProgramExemption

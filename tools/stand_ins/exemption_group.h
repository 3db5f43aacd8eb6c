#pragma once

// Our control group as the processes in it see it: one sub-group per listed program below it,
// which the table's rule matches as a whole. A process is moved in when it starts a listed
// program; what it starts afterwards the kernel puts in its group itself. Where each process we
// moved in came from is kept in a file of the state, so that whoever releases the group (the
// watcher, or pfctl once the watcher is gone) sends it back there.
#include "program_exemption.h"

#include <QList>
#include <QString>

namespace ProgramExemption {

// The sub-group of a program's processes (a name below the group).
QString subGroupOf(const Program& program);

// The process's group in the hierarchy ("/user.slice/…"), or empty when it is gone.
QString groupOf(qint64 pid);
// The process's parent, or 0 when it is gone.
qint64 parentOf(qint64 pid);
// Every process on the machine.
QList<qint64> processes();
// The processes directly in the group directory.
QList<qint64> membersOf(const QString& directory);
// Whether the group (as /proc/PID/cgroup names it) is ours or one of our sub-groups.
bool isOurs(const Group& group, const QString& path);

// Moves the process into the program's sub-group, making it first, and notes where it came from
// when that was outside ours. `current` is its group now. False when it did not move.
bool moveIn(const Group& group, const QString& subGroup, qint64 pid, const QString& current);

// Lets the processes of a group that an older version of the watcher left frozen go on.
void thaw(const QString& directory);
// Sends every process of the sub-group back where it came from and removes the sub-group.
void releaseSubGroup(const Group& group, const QString& subGroup);
// The same for every sub-group and the group itself, and forgets where processes came from: no
// trace is left.
void release(const Group& group);
// The names of the sub-groups there are now.
QStringList subGroups(const Group& group);

} // namespace ProgramExemption

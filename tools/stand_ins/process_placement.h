#pragma once

// Where the program watcher keeps processes: those of the programs in effect in our control
// group, every other one where it came from.
#include "process_events.h"
#include "program_exemption.h"

#include <QHash>
#include <QList>
#include <QString>

namespace ProgramExemption {

class ProcessPlacement {
public:
    // `mountPoint`: where the hierarchy holding the group is mounted.
    ProcessPlacement(const Group& group, QString mountPoint);

    // Looks at every process: moves in those of the programs, moves out the others.
    void placeAll(const QList<Program>& programs);
    // Moves the process in when it runs one of the programs, out when it does not.
    void place(qint64 pid, const QList<Program>& programs);
    // Moves every process back and removes the group.
    void releaseAll();

    // Whether some of the processes may be inside now (and so about to be moved out).
    bool mayBeInside(const QList<qint64>& pids) const;
    // Holds every process of the group still (the kernel's freezer) and waits until they are,
    // or lets them go on.
    void hold(bool still);

    // Follows the processes the reports name; answers those that `place` should look at now:
    // those that may have become one of the programs, or may have stopped being one. Reading
    // no process's files for most, it needs no lock.
    QList<qint64> follow(const QList<ProcessEvents::Event>& events, const QList<Program>& programs);

private:
    void waitUntilHeld() const;
    bool runsOneOf(qint64 pid, const QList<Program>& programs) const;
    void moveBack(qint64 pid);

    const Group m_group;
    const QString m_mountPoint;
    const QString m_ownPath;
    // The processes in the group, with the group each came from: for those forked inside, their
    // parent's.
    QHash<qint64, QString> m_origins;
};

} // namespace ProgramExemption

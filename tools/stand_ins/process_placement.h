#pragma once

// Where the program watcher puts processes: each process that runs one of the programs in effect,
// and what it started, into that program's sub-group of ours. It never takes a process out of a
// program's sub-group while the program is listed; a program's sub-group goes when the program
// does.
#include "listed_programs.h"
#include "process_events.h"
#include "program_exemption.h"

#include <QHash>
#include <QList>
#include <QString>

namespace ProgramExemption {

class ProcessPlacement {
public:
    explicit ProcessPlacement(const Group& group);

    // The programs in effect from now on: the sub-groups of those no longer listed are released.
    void setPrograms(const QList<Program>& programs);
    // Looks at every process: moves in those that run a program, and those that a process inside
    // started and that are not inside yet.
    void placeAll();

    struct Move {
        qint64 pid = 0;
        QString subGroup;
        // Started by a process inside, so moved only from outside ours; else it runs the
        // program of the sub-group.
        bool follower = false;
    };
    // The moves that the reports call for, in their order. Reading only the name of what a
    // process runs for most, it needs no lock.
    QList<Move> follow(const QList<ProcessEvents::Event>& events);
    // Carries the moves out; with `drained`, no report older than the moves is still waiting.
    void carryOut(const QList<Move>& moves, bool drained);

private:
    bool move(const Move& move);

    const Group m_group;
    ListedPrograms m_programs;
    // The processes moved in since the reports were last drained, with their sub-groups: a
    // process they forked before the move was born outside, and is reported later.
    QHash<qint64, QString> m_justMoved;
};

} // namespace ProgramExemption

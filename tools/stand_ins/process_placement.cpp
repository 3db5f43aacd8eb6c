#include "process_placement.h"

#include "exemption_group.h"

#include <QSet>

namespace ProgramExemption {

ProcessPlacement::ProcessPlacement(const Group& group)
    : m_group(group)
{
}

void ProcessPlacement::setPrograms(const QList<Program>& programs)
{
    m_programs = ListedPrograms(programs);
    QSet<QString> listed;
    for (const auto& program : programs)
        listed.insert(subGroupOf(program));
    for (const auto& name : subGroups(m_group))
        if (!listed.contains(name))
            releaseSubGroup(m_group, name);
}

void ProcessPlacement::placeAll()
{
    const auto all = processes();
    QHash<qint64, QString> inside;
    for (const auto& name : subGroups(m_group))
        for (const auto pid : membersOf(m_group.directory + QLatin1Char('/') + name))
            inside.insert(pid, name);
    QHash<qint64, qint64> parents;
    for (const auto pid : all) {
        parents.insert(pid, parentOf(pid));
        if (const auto* program = m_programs.programOf(pid)) {
            const auto subGroup = subGroupOf(*program);
            if (inside.value(pid) != subGroup && move({pid, subGroup, false}))
                inside.insert(pid, subGroup);
        }
    }
    // What a process inside started before it was moved in goes out with it too (as far as its
    // forebears are still known).
    for (const auto pid : all) {
        if (inside.contains(pid))
            continue;
        QString subGroup;
        for (auto at = parents.value(pid); at > 1 && subGroup.isEmpty(); at = parents.value(at))
            subGroup = inside.value(at);
        if (!subGroup.isEmpty())
            move({pid, subGroup, true});
    }
    m_justMoved.clear();
}

QList<ProcessPlacement::Move> ProcessPlacement::follow(const QList<ProcessEvents::Event>& events)
{
    using Kind = ProcessEvents::Event::Kind;
    QList<Move> moves;
    QHash<qint64, QString> moving;
    for (const auto& event : events) {
        switch (event.kind) {
        case Kind::forked: {
            // Forked inside, it is inside: only the children of those just moved in, forked
            // before the move, may need moving.
            auto subGroup = moving.value(event.parent);
            if (subGroup.isEmpty())
                subGroup = m_justMoved.value(event.parent);
            if (!subGroup.isEmpty()) {
                moves.append({event.pid, subGroup, true});
                moving.insert(event.pid, subGroup);
            }
            break;
        }
        case Kind::changed:
            if (const auto* program = m_programs.programOf(event.pid)) {
                moves.append({event.pid, subGroupOf(*program), false});
                moving.insert(event.pid, moves.last().subGroup);
            }
            break;
        }
    }
    return moves;
}

void ProcessPlacement::carryOut(const QList<Move>& moves, bool drained)
{
    bool moved = false;
    for (const auto& next : moves) {
        if (move(next)) {
            m_justMoved.insert(next.pid, next.subGroup);
            moved = true;
        }
    }
    // Whatever those moved before forked is reported by the time the reports are drained after
    // the move.
    if (!moved && drained)
        m_justMoved.clear();
}

bool ProcessPlacement::move(const Move& move)
{
    const auto current = groupOf(move.pid);
    if (move.follower && isOurs(m_group, current))
        return false;
    return moveIn(m_group, move.subGroup, move.pid, current);
}

} // namespace ProgramExemption

#pragma once

// Which listed program a process runs, told by the file it runs: the path it was started by
// must name the listed file (or one below the listed folder), and that path, as this process
// sees it, must lead to the very file the process runs. Another file shown under the listed
// name (a bind mount in a mount namespace of its own) is not the listed program.
#include "program_exemption.h"

#include <QByteArray>
#include <QList>

namespace ProgramExemption {

class ListedPrograms {
public:
    explicit ListedPrograms(const QList<Program>& programs = {});

    const QList<Program>& programs() const { return m_programs; }
    // The program the process runs, or nullptr. Most processes cost one look at the name of
    // what they run.
    const Program* programOf(qint64 pid) const;

private:
    QList<Program> m_programs;
    // The programs' paths as the kernel spells them.
    QList<QByteArray> m_paths;
};

} // namespace ProgramExemption

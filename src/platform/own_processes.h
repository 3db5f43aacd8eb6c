#pragma once

#include <QList>
#include <QString>

#include <chrono>

// Processes of this user found by what they run: how a program finds what an earlier run of it
// left behind, and ends it.
namespace OwnProcesses {

// The ids of this user's processes, other than this one, that run the executable (also when it
// has been replaced on disk since) with `argument` as one of their arguments.
QList<qint64> running(const QString& executable, const QString& argument);

// The executable the process runs (also when it has been replaced on disk since), or empty when
// it is gone or not ours to see.
QString executableOf(qint64 pid);

// Asks the process to end (SIGTERM), kills it when it has not ended within `grace`, and waits a
// little longer for that. True once it has ended.
bool end(qint64 pid, std::chrono::milliseconds grace);

} // namespace OwnProcesses

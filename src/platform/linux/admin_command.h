#pragma once

#include <QString>
#include <QStringList>

// How a script runs as root: through /usr/bin/env with a cleared environment and a fixed umask,
// so that the root shell never sees the user's search path, nor makes files with the user's
// modes, nor anything else the user could have set. The macOS tool paths in the script have been
// rewritten to the stand-ins' absolute paths before.
namespace AdminCommand {

// The only search path a root script gets.
inline const QString rootSearchPath = QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin");

struct Command {
    QString program;
    QStringList arguments;
};

// Run directly, by a process that is root already. The stand-ins' throwaway state locations of
// this process are passed on: no rights are gained, and tests keep the stand-ins off the real
// state. Under an administrator prompt (`viaPrompt`, the prompt program's path) they are not.
Command forScript(const QString& script);
Command viaPrompt(const QString& script, const QString& promptProgram);

} // namespace AdminCommand

#pragma once

#include "../admin_script_runner.h"

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
// Either way the root shell ends with the script's status, except that a script ending with 126
// or 127 ends it with 1: those two are the prompt's own, saying that the script never ran.
Command forScript(const QString& script);
Command viaPrompt(const QString& script, const QString& promptProgram);

// Runs the command and reads how it ended; under the prompt (`prompted`), whether the prompt
// refused. Blocks until the command has ended, the prompt's time included.
AdminScriptResult run(const Command& command, bool prompted);

} // namespace AdminCommand

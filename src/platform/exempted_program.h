#pragma once

#include <QString>

// What the list of programs that bypass the tunnel may hold. A listed path lets out every process
// of the user whose executable lies at or below it: it must name one application, never a folder
// of the system's programs or of users' files, nor a program that runs other code under its own
// name.
namespace ExemptedProgram {

enum class Refusal {
    none,
    // Not an absolute path: nothing would match it.
    notAbsolute,
    // "/", a folder where the system keeps programs, a folder above one, or a folder within one.
    systemFolder,
    // A folder of users' files ("/home", "/tmp", "/media"…) or one at or above a user's home.
    usersFolder,
    // A shell, an interpreter, a dynamic loader, a debugger or a launcher: it would let out every
    // program run through it.
    sharedLauncher,
    // A "#!" script: it runs as its interpreter, so no process ever runs it as its executable.
    script,
};

// Why `path` may not be listed, judged as written and with its links resolved; none when it may.
Refusal refusalOf(const QString& path);

// Whether a program of this file name runs other code as itself: shells, interpreters under any
// versioned name ("python3.11", "perl5.36-x86_64-linux-gnu"), awk, dynamic loaders
// ("ld-linux-x86-64.so.2"), debuggers, multi-call programs and launchers ("env", "flatpak").
bool isSharedLauncher(const QString& fileName);

// The reason as the interface names it: the text table's key, a short phrase; empty for none.
QString reasonText(Refusal refusal);

} // namespace ExemptedProgram

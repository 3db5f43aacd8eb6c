#pragma once

#include <QString>

// What the list of programs that bypass the tunnel may hold. A listed path lets out every process
// of the user whose executable lies at or below it: it must name one application, never a folder
// of the system's programs, nor a program that runs other programs under its own name.
namespace ExemptedProgram {

enum class Refusal {
    none,
    // Not an absolute path: nothing would match it.
    notAbsolute,
    // "/", a folder where the system keeps programs, a folder above one, or a folder within one.
    systemFolder,
    // A shell, an interpreter or a sandbox launcher: it would let out every program run through it.
    sharedLauncher,
};

// Why `path` may not be listed, judged as written and with its links resolved; none when it may.
Refusal refusalOf(const QString& path);

// Whether a program of this file name runs other programs as itself: shells, interpreters
// ("python3.11", "java"), launchers ("env", "flatpak", "snap").
bool isSharedLauncher(const QString& fileName);

} // namespace ExemptedProgram

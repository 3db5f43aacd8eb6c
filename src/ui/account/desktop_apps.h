#pragma once

#include "platform/exempted_program.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// An installed application as its desktop entry describes it.
struct DesktopApp {
    QString name;
    // A theme icon name or an absolute image path; may be empty.
    QString icon;
    // The program's absolute path, symbolic links resolved where the file exists: the command
    // line its processes run under, which is what the per-application rules look for.
    QString executable;
    // Why the program cannot bypass the tunnel on its own: an entry that runs through a shell,
    // an interpreter or a sandbox launcher would let out everything run that way, and a script
    // runs as its interpreter.
    ExemptedProgram::Refusal refusal = ExemptedProgram::Refusal::none;
};

// The applications the user can let bypass the tunnel, read from the XDG desktop entries.
namespace DesktopApps {

// Finds a program name on the search path; empty when not found.
using FindExecutable = std::function<QString(const QString& program)>;

// The user's entries first (~/.local/share/applications), then the system's
// (/usr/share/applications): an entry of the user hides the system's entry of the same name.
QStringList standardDirectories();

// The application of one entry's text; none for an entry that is hidden, not shown in menus,
// not an application, or without a usable program.
std::optional<DesktopApp> parseEntry(const QString& text, const FindExecutable& findExecutable);

// The program of an "Exec" value: its first word (quotes honoured) after an "env" prefix with
// its options and variable assignments, looked up on the search path when it is not absolute.
// For an entry that runs through a shell or an interpreter, that is the shell or interpreter.
QString executableOfExec(const QString& exec, const FindExecutable& findExecutable);

// Every application of the directories, sorted by name; entries of earlier directories win.
QList<DesktopApp> scan(const QStringList& directories, const FindExecutable& findExecutable);

// The entry's icon, or a neutral placeholder.
QIcon iconFor(const QString& icon, int size);

// The application whose program is `executable`, if listed.
std::optional<DesktopApp> findByExecutable(const QList<DesktopApp>& apps, const QString& executable);

} // namespace DesktopApps

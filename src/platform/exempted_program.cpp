#include "exempted_program.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace ExemptedProgram {

namespace {

// Folders many programs share: neither they nor any folder within them names one application.
const QStringList kSharedProgramFolders{
    QStringLiteral("/bin"),
    QStringLiteral("/sbin"),
    QStringLiteral("/lib"),
    QStringLiteral("/lib32"),
    QStringLiteral("/lib64"),
    QStringLiteral("/libx32"),
    QStringLiteral("/usr/bin"),
    QStringLiteral("/usr/sbin"),
    QStringLiteral("/usr/lib"),
    QStringLiteral("/usr/lib32"),
    QStringLiteral("/usr/lib64"),
    QStringLiteral("/usr/libx32"),
    QStringLiteral("/usr/libexec"),
    QStringLiteral("/usr/games"),
    QStringLiteral("/usr/share"),
    QStringLiteral("/usr/local/bin"),
    QStringLiteral("/usr/local/sbin"),
    QStringLiteral("/usr/local/lib"),
    QStringLiteral("/usr/local/libexec"),
    QStringLiteral("/usr/local/games"),
    QStringLiteral("/usr/local/share"),
    QStringLiteral("/etc"),
    QStringLiteral("/snap"),
    QStringLiteral("/snap/bin"),
    QStringLiteral("/var/lib/snapd"),
    QStringLiteral("/var/lib/flatpak"),
};
// Folders of applications, one folder each: the folder itself holds them all.
const QStringList kApplicationFolders{QStringLiteral("/opt")};

bool isWithin(const QString& path, const QString& folder) { return path.startsWith(folder + QLatin1Char('/')); }

bool isSystemFolder(const QString& path)
{
    const auto holdsOrIs = [&](const QString& folder) { return path == folder || isWithin(folder, path); };
    if (path == QLatin1String("/")
        || std::any_of(kSharedProgramFolders.cbegin(), kSharedProgramFolders.cend(), holdsOrIs)
        || std::any_of(kApplicationFolders.cbegin(), kApplicationFolders.cend(), holdsOrIs))
        return true;
    const auto within = [&](const QString& folder) { return isWithin(path, folder); };
    return std::any_of(kSharedProgramFolders.cbegin(), kSharedProgramFolders.cend(), within) && QFileInfo(path).isDir();
}

Refusal refusalOfClean(const QString& path)
{
    if (isSystemFolder(path))
        return Refusal::systemFolder;
    if (isSharedLauncher(QFileInfo(path).fileName()))
        return Refusal::sharedLauncher;
    return Refusal::none;
}

} // namespace

Refusal refusalOf(const QString& path)
{
    if (!QDir::isAbsolutePath(path))
        return Refusal::notAbsolute;
    if (const auto written = refusalOfClean(QDir::cleanPath(path)); written != Refusal::none)
        return written;
    const auto resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? Refusal::none : refusalOfClean(resolved);
}

bool isSharedLauncher(const QString& fileName)
{
    // Shells, launchers and sandboxes by name; interpreters also by their versioned names.
    static const auto launchers
        = QStringLiteral(
              "sh bash dash zsh ksh mksh csh tcsh fish busybox env nohup nice setsid sudo pkexec xdg-open gio "
              "gtk-launch dbus-launch dbus-run-session flatpak snap bwrap firejail toolbox distrobox docker "
              "podman wine wine64 mono dotnet gjs cjs Rscript osascript qmlscene electron")
              .split(QLatin1Char(' '));
    static const QRegularExpression interpreter(QStringLiteral(
        R"(^(?:python|pypy|perl|ruby|lua|luajit|php|tclsh|wish|guile|node|nodejs|java|javaw|deno|bun)[0-9.]*(?:-[0-9.]+)?$)"));
    return launchers.contains(fileName) || interpreter.match(fileName).hasMatch();
}

} // namespace ExemptedProgram

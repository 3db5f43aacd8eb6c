#include "exempted_program.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

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
// Folders where users keep or mount their files: everything the user runs from there would go.
const QStringList kUsersFolders{QStringLiteral("/home"),  QStringLiteral("/tmp"),       QStringLiteral("/root"),
                                QStringLiteral("/media"), QStringLiteral("/run/media"), QStringLiteral("/mnt"),
                                QStringLiteral("/var/tmp")};

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

// The home folders of the users the system knows, as written and with their links resolved.
QStringList userHomes()
{
    QStringList homes;
    const auto add = [&](const QString& home) {
        if (!QDir::isAbsolutePath(home))
            return;
        homes.append(QDir::cleanPath(home));
        if (const auto resolved = QFileInfo(home).canonicalFilePath(); !resolved.isEmpty())
            homes.append(resolved);
    };
    QFile passwd(QStringLiteral("/etc/passwd"));
    if (passwd.open(QIODevice::ReadOnly)) {
        while (!passwd.atEnd()) {
            const auto fields = QString::fromUtf8(passwd.readLine()).split(QLatin1Char(':'));
            if (fields.size() >= 7)
                add(fields[5]);
        }
    }
    // This user may come from a directory service rather than the file.
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        add(QFile::decodeName(found->pw_dir));
    return homes;
}

bool isUsersFolder(const QString& path)
{
    const auto isOrHolds = [&](const QString& folder) { return path == folder || isWithin(folder, path); };
    if (std::any_of(kUsersFolders.cbegin(), kUsersFolders.cend(), isOrHolds))
        return true;
    const auto homes = userHomes();
    return std::any_of(homes.cbegin(), homes.cend(), isOrHolds);
}

// Whether the file starts as a script does. Only a plain file is opened, and without waiting:
// the root side runs this on files of the user, who may have put a pipe or a device there.
bool isScript(const QString& path)
{
    const auto name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    char head[2] = {};
    const bool script = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::read(fd, head, sizeof head) == 2
        && head[0] == '#' && head[1] == '!';
    ::close(fd);
    return script;
}

Refusal refusalOfClean(const QString& path)
{
    if (isSystemFolder(path))
        return Refusal::systemFolder;
    if (isUsersFolder(path))
        return Refusal::usersFolder;
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
    if (resolved.isEmpty())
        return Refusal::none;
    if (const auto linked = refusalOfClean(resolved); linked != Refusal::none)
        return linked;
    return isScript(resolved) ? Refusal::script : Refusal::none;
}

bool isSharedLauncher(const QString& fileName)
{
    // Shells, launchers and sandboxes by name.
    static const auto launchers
        = QStringLiteral(
              "sh bash dash zsh ksh mksh csh tcsh fish env nohup nice setsid sudo pkexec xdg-open gio gtk-launch "
              "dbus-launch dbus-run-session flatpak snap bwrap firejail toolbox distrobox docker podman wine wine64 "
              "mono dotnet gjs cjs Rscript osascript qmlscene electron")
              .split(QLatin1Char(' '));
    // Interpreters, awk, debuggers, emulators and multi-call programs by family, with whatever
    // version or platform follows the name ("python3.11", "perl5.36-x86_64-linux-gnu", "gdb-multiarch").
    static const QRegularExpression family(QStringLiteral(
        R"(^(?:python|pypy|perl|ruby|jruby|lua|luajit|php|tclsh|wish|expect|guile|node|nodejs|java|javaw|deno|bun|)"
        R"(pwsh|julia|erl|escript|racket|sbcl|awk|gawk|mawk|nawk|original-awk|gdb|lldb|qemu|busybox|toybox))"
        R"((?:[0-9._-].*)?$)"));
    // Dynamic loaders: "ld-linux-x86-64.so.2", "ld.so", "ld-2.36.so", "ld-musl-x86_64.so.1".
    static const QRegularExpression loader(QStringLiteral(R"(^ld(?:-linux.*|\.so.*|-.*\.so.*)$)"));
    return launchers.contains(fileName) || family.match(fileName).hasMatch() || loader.match(fileName).hasMatch();
}

QString reasonText(Refusal refusal)
{
    switch (refusal) {
    case Refusal::none:
        break;
    case Refusal::notAbsolute:
        return QStringLiteral("不是完整路径");
    case Refusal::systemFolder:
        return QStringLiteral("存放系统程序的目录");
    case Refusal::usersFolder:
        return QStringLiteral("存放用户文件的目录");
    case Refusal::sharedLauncher:
        return QStringLiteral("以自身名义运行其他程序的 Shell、解释器、加载器或调试器");
    case Refusal::script:
        return QStringLiteral("脚本,经由其解释器运行");
    }
    return {};
}

} // namespace ExemptedProgram

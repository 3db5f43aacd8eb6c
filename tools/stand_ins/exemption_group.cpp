#include "exemption_group.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace ProgramExemption {

namespace {

QString procFile(qint64 pid, const char* name)
{
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name));
}

// The group's path as /proc/PID/cgroup names it.
QString ownPath(const Group& group) { return group.directory.mid(group.mountPoint.size()); }

QString subGroupDirectory(const Group& group, const QString& subGroup)
{
    return group.directory + QLatin1Char('/') + subGroup;
}

bool moveInto(const QString& directory, qint64 pid)
{
    QFile procs(directory + QStringLiteral("/cgroup.procs"));
    return procs.open(QIODevice::WriteOnly) && procs.write(QByteArray::number(pid)) > 0 && procs.flush();
}

// "PID GROUP" a line, the last line of a process counting.
QHash<qint64, QString> origins(const Group& group)
{
    QHash<qint64, QString> found;
    QFile file(group.originsFile);
    if (!file.open(QIODevice::ReadOnly))
        return found;
    for (const auto& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const auto blank = line.indexOf(QLatin1Char(' '));
        bool ok = false;
        const auto pid = line.left(blank).toLongLong(&ok);
        if (ok && blank > 0)
            found.insert(pid, line.mid(blank + 1));
    }
    return found;
}

// The origins of the processes still in the group, the others forgotten.
void keepOrigins(const Group& group, const QHash<qint64, QString>& kept)
{
    if (kept.isEmpty()) {
        QFile::remove(group.originsFile);
        return;
    }
    QByteArray content;
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        content += QByteArray::number(it.key()) + ' ' + it.value().toUtf8() + '\n';
    QSaveFile file(group.originsFile);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        file.commit();
}

void noteOrigin(const Group& group, qint64 pid, const QString& origin)
{
    // Appended: a move costs one small write, and the file never holds half a line.
    const QByteArray line = QByteArray::number(pid) + ' ' + origin.toUtf8() + '\n';
    const int fd = ::open(QFile::encodeName(group.originsFile).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    [[maybe_unused]] const auto written = ::write(fd, line.constData(), size_t(line.size()));
    ::close(fd);
}

// Where a process goes back to: where it, or the nearest of its forebears we moved in, came
// from, while that group is still there; else the top of the hierarchy.
void sendBack(const Group& group, const QHash<qint64, QString>& known, qint64 pid)
{
    for (auto at = pid; at > 1; at = parentOf(at)) {
        const auto origin = known.value(at);
        if (!origin.isEmpty() && !isOurs(group, origin) && moveInto(group.mountPoint + origin, pid))
            return;
        if (!origin.isEmpty())
            break;
    }
    moveInto(group.mountPoint, pid);
}

void emptyAndRemove(const Group& group, const QHash<qint64, QString>& known, const QString& directory)
{
    thaw(directory);
    // A process forked while we send the others back lands in the group: looked at again.
    for (int round = 0; round < 10; ++round) {
        const auto members = membersOf(directory);
        if (members.isEmpty())
            break;
        for (const auto pid : members)
            sendBack(group, known, pid);
    }
    QDir().rmdir(directory);
}

} // namespace

QString subGroupOf(const Program& program)
{
    const QString key = QString::number(program.user) + QLatin1Char(':') + QDir::cleanPath(program.path);
    return QStringLiteral("program-")
        + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

QString groupOf(qint64 pid)
{
    QFile groups(procFile(pid, "cgroup"));
    if (!groups.open(QIODevice::ReadOnly))
        return {};
    for (const auto& line : QString::fromUtf8(groups.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("0::")))
            return line.mid(3);
    return {};
}

qint64 parentOf(qint64 pid)
{
    QFile stat(procFile(pid, "stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // "PID (COMMAND) STATE PPID …": the command may hold anything, the last ')' ends it.
    const auto text = stat.readAll();
    const auto fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(1).toLongLong();
}

QList<qint64> processes()
{
    QList<qint64> pids;
    for (const auto& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const auto pid = name.toLongLong(&ok);
        if (ok)
            pids.append(pid);
    }
    return pids;
}

QList<qint64> membersOf(const QString& directory)
{
    QFile procs(directory + QStringLiteral("/cgroup.procs"));
    QList<qint64> pids;
    if (!procs.open(QIODevice::ReadOnly))
        return pids;
    for (const auto& line : procs.readAll().split('\n')) {
        bool ok = false;
        const auto pid = line.toLongLong(&ok);
        if (ok)
            pids.append(pid);
    }
    return pids;
}

bool isOurs(const Group& group, const QString& path)
{
    const auto own = ownPath(group);
    return path == own || path.startsWith(own + QLatin1Char('/'));
}

void thaw(const QString& directory)
{
    QFile freeze(directory + QStringLiteral("/cgroup.freeze"));
    if (freeze.open(QIODevice::WriteOnly))
        freeze.write("0");
}

bool moveIn(const Group& group, const QString& subGroup, qint64 pid, const QString& current)
{
    const auto directory = subGroupDirectory(group, subGroup);
    if (current.isEmpty() || current == ownPath(group) + QLatin1Char('/') + subGroup)
        return false;
    if (!QDir(directory).exists() && !QDir().mkdir(directory))
        return false;
    // Noted first: a watcher killed right after the move leaves no process without its way back.
    if (!isOurs(group, current))
        noteOrigin(group, pid, current);
    return moveInto(directory, pid);
}

void releaseSubGroup(const Group& group, const QString& subGroup)
{
    auto known = origins(group);
    emptyAndRemove(group, known, subGroupDirectory(group, subGroup));
    QHash<qint64, QString> kept;
    for (const auto& name : subGroups(group))
        for (const auto pid : membersOf(subGroupDirectory(group, name)))
            if (known.contains(pid))
                kept.insert(pid, known.value(pid));
    keepOrigins(group, kept);
}

void release(const Group& group)
{
    if (!QDir(group.directory).exists()) {
        QFile::remove(group.originsFile);
        return;
    }
    const auto known = origins(group);
    for (const auto& name : subGroups(group))
        emptyAndRemove(group, known, subGroupDirectory(group, name));
    emptyAndRemove(group, known, group.directory);
    QFile::remove(group.originsFile);
}

QStringList subGroups(const Group& group)
{
    return QDir(group.directory).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace ProgramExemption

#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QSet>
#include <QString>

#include <unistd.h>

#include <algorithm>

// The fields of /proc/PID/stat after the name ("state ppid …"); empty when there is no such
// process. The name may hold spaces, so they are read after its closing bracket.
inline QList<QByteArray> processStatus(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const auto line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ');
}

// Running, and not merely a zombie waiting to be reaped.
inline bool processAlive(qint64 pid)
{
    const auto fields = processStatus(pid);
    return !fields.isEmpty() && fields[0] != "Z";
}

// The processes whose parent is this test process (zombies included: they were not reaped).
inline QSet<qint64> childProcesses()
{
    QSet<qint64> children;
    const auto self = QByteArray::number(qint64(::getpid()));
    for (const auto& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isProcess = false;
        const qint64 pid = entry.toLongLong(&isProcess);
        if (!isProcess)
            continue;
        const auto fields = processStatus(pid);
        if (fields.size() > 1 && fields[1] == self)
            children.insert(pid);
    }
    return children;
}

// The process and the processes it started.
inline QSet<qint64> withChildren(qint64 pid)
{
    if (pid <= 0)
        return {};
    QSet<qint64> family{pid};
    const auto parent = QByteArray::number(pid);
    for (const auto& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const auto fields = processStatus(entry.toLongLong());
        if (fields.size() > 1 && fields[1] == parent)
            family.insert(entry.toLongLong());
    }
    return family;
}

inline bool anyAlive(const QSet<qint64>& pids) { return std::any_of(pids.cbegin(), pids.cend(), processAlive); }

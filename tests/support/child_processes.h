#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QString>

#include <unistd.h>

// The processes whose parent is this test process (zombies included: they were not reaped).
inline QSet<qint64> childProcesses()
{
    QSet<qint64> children;
    const auto self = QByteArray::number(qint64(::getpid()));
    for (const auto& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const auto line = stat.readAll();
        // "pid (name) state ppid …": the name may hold spaces, so read after its closing bracket.
        const auto fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self)
            children.insert(entry.toLongLong());
    }
    return children;
}

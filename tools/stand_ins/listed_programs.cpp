#include "listed_programs.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <optional>

namespace ProgramExemption {

namespace {

bool names(const QByteArray& listed, const QByteArray& executable)
{
    return executable == listed || (executable.startsWith(listed) && executable.at(listed.size()) == '/');
}

std::optional<quint32> realUserOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const auto& line : status.readAll().split('\n')) {
        if (!line.startsWith("Uid:"))
            continue;
        bool ok = false;
        const auto uid = line.mid(4).simplified().split(' ').value(0).toUInt(&ok);
        return ok ? std::optional<quint32>(uid) : std::nullopt;
    }
    return std::nullopt;
}

// Whether the path, looked up here, is the file the process runs.
bool isTheFileRun(qint64 pid, const char* path)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%lld/exe", static_cast<long long>(pid));
    struct stat run {};
    struct stat named {};
    return ::stat(link, &run) == 0 && ::stat(path, &named) == 0 && run.st_dev == named.st_dev
        && run.st_ino == named.st_ino;
}

} // namespace

ListedPrograms::ListedPrograms(const QList<Program>& programs)
    : m_programs(programs)
{
    for (const auto& program : programs)
        m_paths.append(QFile::encodeName(QDir::cleanPath(program.path)));
}

const Program* ListedPrograms::programOf(qint64 pid) const
{
    if (m_programs.isEmpty())
        return nullptr;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%lld/exe", static_cast<long long>(pid));
    char target[PATH_MAX];
    const auto size = ::readlink(link, target, sizeof target - 1);
    if (size <= 0 || size == ssize_t(sizeof target - 1))
        return nullptr;
    target[size] = '\0';
    const auto executable = QByteArray::fromRawData(target, size);
    std::optional<quint32> user;
    for (qsizetype i = 0; i < m_programs.size(); ++i) {
        if (!names(m_paths[i], executable))
            continue;
        if (!user)
            user = realUserOf(pid);
        // The process's own name of the file, looked up in our mount namespace.
        if (user == m_programs[i].user && isTheFileRun(pid, target))
            return &m_programs[i];
    }
    return nullptr;
}

} // namespace ProgramExemption

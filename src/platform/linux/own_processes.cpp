#include "../own_processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <signal.h>
#include <unistd.h>

#include <thread>

namespace OwnProcesses {

namespace {

const QString kDeletedSuffix = QStringLiteral(" (deleted)");
constexpr std::chrono::milliseconds kPoll{10};
constexpr std::chrono::milliseconds kAfterKill{2000};

QString procPath(qint64 pid, const char* name)
{
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name));
}

QList<QByteArray> argumentsOf(qint64 pid)
{
    QFile file(procPath(pid, "cmdline"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().split('\0');
}

// Gone, or a zombie that only waits for its parent to collect it.
bool ended(qint64 pid)
{
    QFile stat(procPath(pid, "stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const auto line = stat.readAll();
    const auto state = line.mid(line.lastIndexOf(')') + 2, 1);
    return state.isEmpty() || state == "Z" || state == "X";
}

bool waitForEnd(qint64 pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended(pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

} // namespace

QString executableOf(qint64 pid)
{
    auto target = QFile::symLinkTarget(procPath(pid, "exe"));
    if (target.endsWith(kDeletedSuffix))
        target.chop(kDeletedSuffix.size());
    return target;
}

QList<qint64> running(const QString& executable, const QString& argument)
{
    const auto wanted = QFileInfo(executable).canonicalFilePath();
    const auto wantedArgument = QFile::encodeName(argument);
    const auto self = qint64(::getpid());
    const auto user = ::geteuid();
    QList<qint64> found;
    if (wanted.isEmpty())
        return found;
    for (const auto& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isProcess = false;
        const qint64 pid = entry.toLongLong(&isProcess);
        if (!isProcess || pid == self || QFileInfo(QStringLiteral("/proc/") + entry).ownerId() != user)
            continue;
        if (executableOf(pid) == wanted && argumentsOf(pid).mid(1).contains(wantedArgument) && !ended(pid))
            found.append(pid);
    }
    return found;
}

bool end(qint64 pid, std::chrono::milliseconds grace)
{
    if (::kill(pid_t(pid), SIGTERM) != 0)
        return ended(pid);
    if (waitForEnd(pid, grace))
        return true;
    ::kill(pid_t(pid), SIGKILL);
    return waitForEnd(pid, kAfterKill);
}

} // namespace OwnProcesses

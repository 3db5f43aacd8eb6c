#include "debug_log_file.h"

#include "platform/paths.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString line(const QString& event)
{
    const auto now = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return event + QStringLiteral(" @ ") + now + QStringLiteral(" +0000\n");
}

} // namespace

QString DebugLogFile::defaultPath() { return Paths::stateDir() + QStringLiteral("/debug.log"); }

DebugLogFile::DebugLogFile(QString path)
    : m_path(std::move(path))
{
}

void DebugLogFile::append(const QString& event) const
{
    const auto bytes = line(event).toUtf8();
    const auto path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return;
    struct stat info {};
    // In a shared directory someone else may have put a file (or a hard link to one) here first.
    const bool ours
        = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
    if (ours) {
        if ((info.st_mode & 077) != 0)
            ::fchmod(fd, 0600);
        qsizetype written = 0;
        while (written < bytes.size()) {
            const auto n = ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
            if (n <= 0)
                break;
            written += n;
        }
    }
    ::close(fd);
}

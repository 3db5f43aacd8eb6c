#include "file_changes.h"

#include <QFile>
#include <QFileInfo>

#include <sys/inotify.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// What touches the file itself, and what takes the folder away.
constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kFolderEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED | IN_Q_OVERFLOW;

} // namespace

std::unique_ptr<FileChanges> FileChanges::watch(const QString& file, QString* why)
{
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const QFileInfo info(file);
    if (inotify >= 0
        && ::inotify_add_watch(inotify, QFile::encodeName(info.absolutePath()).constData(),
                               kFileEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR)
            >= 0)
        return std::unique_ptr<FileChanges>(new FileChanges(inotify, QFile::encodeName(info.fileName())));
    *why = QStringLiteral("inotify: ") + QString::fromLocal8Bit(std::strerror(errno));
    if (inotify >= 0)
        ::close(inotify);
    return nullptr;
}

FileChanges::FileChanges(int inotify, QByteArray name)
    : m_inotify(inotify)
    , m_name(std::move(name))
{
}

FileChanges::~FileChanges() { ::close(m_inotify); }

bool FileChanges::changed()
{
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const auto size = ::read(m_inotify, buffer, sizeof buffer);
        if (size < 0 && errno == EINTR)
            continue;
        if (size <= 0)
            return changed;
        for (ssize_t offset = 0; offset < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if ((event->mask & kFolderEvents) != 0
                || ((event->mask & kFileEvents) != 0 && event->len > 0 && m_name == event->name))
                changed = true;
        }
    }
}

#include "host_lookups.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>

#include <memory>
#include <thread>

namespace {

// Shared with the look-ups, which may outlive the caller.
struct Lookups {
    QMutex mutex;
    QHash<QString, QList<QHostAddress>> found;
    QSemaphore ended;
};

} // namespace

QHash<QString, QList<QHostAddress>> lookUpEach(const QStringList& names,
                                               const std::function<QList<QHostAddress>(const QString&)>& resolve,
                                               std::chrono::milliseconds limit)
{
    const auto lookups = std::make_shared<Lookups>();
    const QDeadlineTimer deadline(limit);
    for (const auto& name : names) {
        // One dead name must not hold up the others: the system's resolver waits out its own
        // time-outs for each.
        std::thread([lookups, resolve, name] {
            const auto addresses = resolve(name);
            {
                const QMutexLocker locked(&lookups->mutex);
                lookups->found.insert(name, addresses);
            }
            lookups->ended.release();
        }).detach();
    }
    lookups->ended.tryAcquire(int(names.size()), int(deadline.remainingTime()));
    const QMutexLocker locked(&lookups->mutex);
    return lookups->found;
}

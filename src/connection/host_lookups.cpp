#include "host_lookups.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QWaitCondition>

#include <algorithm>
#include <thread>

namespace {

// One name being looked up, for every call that waits for it (under the state's mutex).
struct Lookup {
    QList<QHostAddress> addresses;
    bool ended = false;
};

} // namespace

struct HostLookups::State : std::enable_shared_from_this<State> {
    QMutex mutex;
    QWaitCondition changed;
    // The look-ups that run now, by name.
    QHash<QString, std::shared_ptr<Lookup>> running;
    // How many of them are of names that could wait.
    int waitingNamesRunning = 0;

    // The look-up of the name that runs already, or a new one. Under the mutex.
    std::shared_ptr<const Lookup> join(const QString& name, bool mayWait, const Resolver& resolve)
    {
        if (auto lookup = running.value(name))
            return lookup;
        auto lookup = std::make_shared<Lookup>();
        running.insert(name, lookup);
        if (mayWait)
            ++waitingNamesRunning;
        std::thread([state = shared_from_this(), lookup, name, mayWait, resolve] {
            const auto addresses = resolve(name);
            const QMutexLocker locked(&state->mutex);
            lookup->addresses = addresses;
            lookup->ended = true;
            state->running.remove(name);
            if (mayWait)
                --state->waitingNamesRunning;
            state->changed.wakeAll();
        }).detach();
        return lookup;
    }
};

HostLookups::HostLookups(Resolver resolve, std::chrono::milliseconds limit)
    : m_resolve(std::move(resolve))
    , m_limit(limit)
    , m_state(std::make_shared<State>())
{
}

QHash<QString, QList<QHostAddress>> HostLookups::lookUp(const QStringList& urgent, const QStringList& others) const
{
    const QDeadlineTimer deadline(m_limit);
    QHash<QString, std::shared_ptr<const Lookup>> asked;
    QStringList waiting;
    QSet<QString> seen(urgent.begin(), urgent.end());
    for (const auto& name : others)
        if (!seen.contains(name)) {
            seen.insert(name);
            waiting.append(name);
        }

    QMutexLocker locked(&m_state->mutex);
    for (const auto& name : urgent)
        asked.insert(name, m_state->join(name, false, m_resolve));
    qsizetype next = 0;
    for (;;) {
        // A name already being looked up takes no other thread.
        for (; next < waiting.size(); ++next) {
            const auto& name = waiting.at(next);
            if (!m_state->running.contains(name) && m_state->waitingNamesRunning >= waitingNamesInFlight)
                break;
            asked.insert(name, m_state->join(name, true, m_resolve));
        }
        const bool allEnded = next == waiting.size()
            && std::all_of(asked.cbegin(), asked.cend(), [](const auto& lookup) { return lookup->ended; });
        if (allEnded || deadline.hasExpired())
            break;
        m_state->changed.wait(&m_state->mutex, deadline);
    }
    QHash<QString, QList<QHostAddress>> found;
    for (auto lookup = asked.cbegin(); lookup != asked.cend(); ++lookup)
        if (lookup.value()->ended)
            found.insert(lookup.key(), lookup.value()->addresses);
    return found;
}

#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// Looks host names up side by side, each on a thread of its own, and waits at most the limit
// for them: a name whose look-up has not ended by then is missing from the answer, like one that
// resolves to nothing. A look-up still running afterwards ends on its own; its answer goes
// nowhere. The system's resolver waits out its own time-outs for each dead name, so that a long
// list of names that never answer would hold as many threads: only a few of the names that can
// wait are looked up at a time, and a name whose look-up is already running, from an earlier
// call too, is waited for rather than asked again.
class HostLookups {
public:
    using Resolver = std::function<QList<QHostAddress>(const QString& name)>;

    // How many look-ups of names that can wait run at a time (those of earlier calls that have
    // not ended included).
    static constexpr int waitingNamesInFlight = 16;

    HostLookups(Resolver resolve, std::chrono::milliseconds limit);

    // The addresses of the names that were found within the limit. The urgent names are asked at
    // once, however many look-ups run; the others in their order, as look-ups end. Blocks the
    // calling thread; copies share the look-ups in flight.
    QHash<QString, QList<QHostAddress>> lookUp(const QStringList& urgent, const QStringList& others) const;

private:
    struct State;

    Resolver m_resolve;
    std::chrono::milliseconds m_limit;
    // Shared with the look-ups, which may outlive this object.
    std::shared_ptr<State> m_state;
};

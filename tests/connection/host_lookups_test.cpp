// The look-ups of a block without a tunnel: how many threads a long list of names that never
// answer holds, and that the service's names are answered all the same.
#include "connection/host_lookups.h"

#include <QTest>

#include <condition_variable>
#include <memory>
#include <algorithm>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A resolver over names of three kinds: "dead…" answers only once the test opens the gate (as a
// name the system's resolver waits out its time-outs for), "slow…" after a moment, the rest at
// once. It counts the look-ups that run, and the most that ran at a time.
struct Resolver {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    int running = 0;
    int mostRunning = 0;

    QList<QHostAddress> resolve(const QString& name)
    {
        std::unique_lock lock(mutex);
        mostRunning = std::max(mostRunning, ++running);
        if (name.startsWith(QLatin1String("dead")))
            opened.wait(lock, [this] { return open; });
        lock.unlock();
        if (name.startsWith(QLatin1String("slow")))
            std::this_thread::sleep_for(5ms);
        lock.lock();
        --running;
        return {QHostAddress(QStringLiteral("192.0.2.1"))};
    }
    int most()
    {
        const std::lock_guard lock(mutex);
        return mostRunning;
    }
    // Lets the dead names answer and waits until no look-up runs.
    void endAll()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
        EXPECT_TRUE(QTest::qWaitFor(
            [this] {
                const std::lock_guard lock(mutex);
                return running == 0;
            },
            10000));
    }
};

QStringList numbered(const QString& prefix, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(prefix + QString::number(i) + QStringLiteral(".nodes.example"));
    return names;
}

TEST(HostLookups, AThousandNodeNamesThatNeverAnswerHoldAFewThreadsAndTheServiceIsAnsweredAllTheSame)
{
    const auto resolver = std::make_shared<Resolver>();
    const HostLookups lookups([resolver](const QString& name) { return resolver->resolve(name); }, 2000ms);
    const auto dead = numbered(QStringLiteral("dead"), 1000);
    // The second load asks the same list again while the first one's look-ups still hang.
    for (const auto& service : {QStringLiteral("api.service.example"), QStringLiteral("api2.service.example")}) {
        SCOPED_TRACE(service.toStdString());
        const auto found = lookups.lookUp({service}, dead);
        EXPECT_TRUE(found.contains(service)) << "the service's name waits behind no node's";
        EXPECT_FALSE(found.contains(dead.first()));
        EXPECT_LE(resolver->most(), HostLookups::waitingNamesInFlight + 1);
        EXPECT_LE(resolver->most(), 33) << "a few threads, not one a name";
    }
    resolver->endAll();
}

TEST(HostLookups, NamesBeyondTheLookUpsInFlightAreAskedAsOthersEnd)
{
    const auto resolver = std::make_shared<Resolver>();
    // Long enough for a hundred quick look-ups a few at a time, also on a busy machine.
    const HostLookups lookups([resolver](const QString& name) { return resolver->resolve(name); }, 20000ms);
    const auto slow = numbered(QStringLiteral("slow"), 100);
    const auto found = lookups.lookUp({slow.first()}, slow + slow);
    EXPECT_EQ(found.size(), slow.size());
    for (const auto& name : slow)
        EXPECT_EQ(found.value(name), QList<QHostAddress>{QHostAddress(QStringLiteral("192.0.2.1"))}) << name.toStdString();
    resolver->endAll();
}

} // namespace

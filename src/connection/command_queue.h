#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

// The one ordered queue of the connection's system commands (networksetup, sudo, the
// administrator scripts). Each job runs off the window's thread, one at a time and
// in the order queued, and its caller awaits the result. So a proxy "on" never lands after a
// later "off", nor a kill-switch load after its release. A job owns or outlives what it uses;
// the queue's owner waits for the jobs before it goes.
class CommandQueue {
public:
    CommandQueue()
    {
        m_pool.setMaxThreadCount(1);
        m_pool.setExpiryTimeout(-1);
    }
    ~CommandQueue() { waitForDone(); }

    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // The job's result once it and every job queued before it have run.
    template <typename Work>
    auto run(Work work) -> QCoro::Task<decltype(work())>
    {
        // The future in a variable of its own: GCC mishandles it as a temporary of the co_await.
        auto result = QtConcurrent::run(&m_pool, std::move(work));
        co_return co_await result;
    }

    // Blocks until every queued job has run.
    void waitForDone() { m_pool.waitForDone(); }

private:
    QThreadPool m_pool;
};

#pragma once

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

// The one way blocking work (a system command, a file of the core) leaves the window's thread:
// it runs on Qt's global thread pool, and a coroutine co_awaits the future for its result. The
// work must own or outlive everything it uses.
template <typename Work>
auto runInBackground(Work work) -> QFuture<decltype(work())>
{
    return QtConcurrent::run(std::move(work));
}

#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <utility>

// Runs work on the global thread pool; a coroutine can co_await the future for its result.
template <typename Work>
auto runInBackground(Work work) -> QFuture<decltype(work())>
{
    using Result = decltype(work());
    auto promise = std::make_shared<QPromise<Result>>();
    auto future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    return future;
}

#pragma once

#include <QCoroTask>

#include <gtest/gtest.h>

#include <optional>

// Runs a task to its end in a nested event loop (QCoro::waitFor would never return from a task
// that throws) and gives the error of type Error it failed with, if any. Any other exception
// fails the test.
template <typename Error>
std::optional<Error> failureOf(QCoro::Task<> task)
{
    auto catching = [](QCoro::Task<> task) -> QCoro::Task<std::optional<Error>> {
        try {
            co_await task;
        } catch (const Error& error) {
            co_return error;
        } catch (...) {
            ADD_FAILURE() << "the task failed with an unexpected exception";
        }
        co_return std::nullopt;
    };
    return QCoro::waitFor(catching(std::move(task)));
}

#pragma once

#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// The one way to go on after an await on behalf of an object that may be gone by then (a screen
// closed, a service torn down). It comes in two forms, under one name:
//
// - whileAlive(context, task, onValue, onError) starts `task` and hands its outcome on only while
//   `context` lives: `onValue` takes the task's result (nothing for a void task); `onError`, when
//   given, takes the std::exception the task failed with. Neither is called once `context` is
//   gone, so they may use it freely; everything else they use they must hold by value.
// - co_await whileAlive(context, task), for a coroutine that goes on after the await on behalf of
//   `context`: the task's result while `context` lives (for a void task: true), else nothing
//   (false). A failure is rethrown while `context` lives and dropped with it.
namespace WhileAlive {

struct IgnoreError {
    void operator()(const std::exception&) const {}
};

// What the awaited form gives: the result while the context lives, else nothing.
template <typename T>
using Survivor = std::conditional_t<std::is_void_v<T>, bool, std::optional<T>>;

template <typename T, typename OnValue, typename OnError>
QCoro::Task<> deliver(QPointer<const QObject> context, QCoro::Task<T> task, OnValue onValue, OnError onError)
{
    if constexpr (std::is_void_v<T>) {
        try {
            co_await std::move(task);
        } catch (const std::exception& error) {
            if (context)
                onError(error);
            co_return;
        }
        if (context)
            onValue();
    } else {
        std::optional<T> value;
        try {
            value.emplace(co_await std::move(task));
        } catch (const std::exception& error) {
            if (context)
                onError(error);
            co_return;
        }
        if (context)
            onValue(std::move(*value));
    }
}

} // namespace WhileAlive

template <typename T, typename OnValue, typename OnError = WhileAlive::IgnoreError>
void whileAlive(const QObject* context, QCoro::Task<T> task, OnValue onValue, OnError onError = {})
{
    WhileAlive::deliver(QPointer<const QObject>(context), std::move(task), std::move(onValue), std::move(onError));
}

template <typename T>
[[nodiscard]] QCoro::Task<WhileAlive::Survivor<T>> whileAlive(QPointer<const QObject> context, QCoro::Task<T> task)
{
    std::exception_ptr failure;
    WhileAlive::Survivor<T> survivor{};
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            survivor = true;
        } else {
            survivor.emplace(co_await std::move(task));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (!context)
        co_return WhileAlive::Survivor<T>{};
    if (failure)
        std::rethrow_exception(failure);
    co_return survivor;
}

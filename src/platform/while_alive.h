#pragma once

#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// The one way to go on after an await on behalf of an object that may be gone by then (a screen
// closed, a service torn down): whileAlive() starts `task` and hands its outcome on only while
// `context` lives. `onValue` takes the task's result (nothing for a void task); `onError`, when
// given, takes the std::exception the task failed with. Neither is called once `context` is gone,
// so they may use it freely; everything else they use they must hold by value.
namespace WhileAlive {

struct IgnoreError {
    void operator()(const std::exception&) const {}
};

template <typename T, typename OnValue, typename OnError>
QCoro::Task<> run(QPointer<const QObject> context, QCoro::Task<T> task, OnValue onValue, OnError onError)
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
    WhileAlive::run(QPointer<const QObject>(context), std::move(task), std::move(onValue), std::move(onError));
}

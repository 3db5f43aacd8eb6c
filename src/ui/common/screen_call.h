#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// What a call awaited for a screen gave: its value, or the failure it threw.
template <typename T>
struct CallOutcome {
    std::optional<T> value;
    std::exception_ptr error;

    bool ok() const { return !error; }
};

template <>
struct CallOutcome<void> {
    std::exception_ptr error;

    bool ok() const { return !error; }
};

// The text a failure describes itself with: the API client's and the decoder's own descriptions,
// else the exception's message.
QString failureDescription(const std::exception_ptr& error);

namespace detail {

template <typename T, typename Handler>
QCoro::Task<> deliverOutcome(QPointer<QObject> context, QCoro::Task<T> task, Handler handler)
{
    CallOutcome<T> outcome;
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            outcome.value.emplace(co_await std::move(task));
    } catch (...) {
        outcome.error = std::current_exception();
    }
    if (context)
        handler(std::move(outcome));
}

} // namespace detail

// Awaits `task` and hands its outcome to `handler` only while `context` lives: a screen that
// closed while its request was on the way never hears of it, and nothing touches the dead
// screen. The request itself runs to its end inside the API client, which outlives the screens.
template <typename T, typename Handler>
void whenDone(QObject* context, QCoro::Task<T> task, Handler handler)
{
    detail::deliverOutcome(QPointer<QObject>(context), std::move(task), std::move(handler));
}

#pragma once

// What the API client's tests share: running a coroutine to its end, capturing the client's log
// lines, and a fixture with the in-process stand-in service on 127.0.0.1.

#include "api/api_service.h"
#include "stand_in_service/stand_in_service.h"
#include "support/temp_settings.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

// The client's private generic requests, for the tests of the request layer itself.
class ApiServiceTestAccess {
public:
    static QCoro::Task<QByteArray> get(ApiService& client, QString path) { return client.get(std::move(path)); }
    static QCoro::Task<QByteArray> post(ApiService& client, QString path, QJsonObject body)
    {
        return client.post(std::move(path), std::move(body));
    }
};

namespace api_test {

using namespace std::chrono_literals;

// The outcome of one coroutine; lives on the heap so that a coroutine that outlives its wait
// never writes into a dead stack frame.
template <typename T>
struct Settled {
    using Value = std::conditional_t<std::is_void_v<T>, bool, T>;
    std::optional<Value> value;
    std::exception_ptr error;
    bool done = false;
    QEventLoop loop;
};

template <typename T>
QCoro::Task<> settle(QCoro::Task<T> task, std::shared_ptr<Settled<T>> state)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            state->value = true;
        } else {
            state->value = co_await std::move(task);
        }
    } catch (...) {
        state->error = std::current_exception();
    }
    state->done = true;
    state->loop.quit();
}

// Runs the event loop until the task ends; its exception is rethrown.
template <typename T>
auto awaitTask(QCoro::Task<T> task, std::chrono::milliseconds limit = 20s)
{
    auto state = std::make_shared<Settled<T>>();
    settle(std::move(task), state);
    if (!state->done) {
        QTimer::singleShot(limit, &state->loop, &QEventLoop::quit);
        state->loop.exec();
    }
    if (!state->done)
        throw std::runtime_error("the call did not end in time");
    if (state->error)
        std::rethrow_exception(state->error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*state->value);
}

// The exception the task ends with; a task that succeeds fails the test.
template <typename E, typename T>
std::optional<E> awaitError(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const E& error) {
        return error;
    } catch (const std::exception& other) {
        ADD_FAILURE() << "another error: " << other.what();
        return std::nullopt;
    }
    ADD_FAILURE() << "the call succeeded";
    return std::nullopt;
}

// The client's log line of a fail-over, up to the new base URL.
inline const QString failOverLine = QStringLiteral("[ApiService] 请求失败, 切换到 → ");

// An override that answers this status and body in place of the service.
StandInService::Override answer(int status, const QByteArray& body);

// Lets the event loop run for a while (to see that nothing more happens).
inline void spin(std::chrono::milliseconds time)
{
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

// The client's "[ApiService] " log lines while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    qsizetype count(const QString& prefix) const;
    void clear();
};

// The stand-in service with one plain listener, a settings store of its own, and short
// time-outs so that a silent port costs little.
class ApiTest : public ::testing::Test {
protected:
    static ApiService::Options fastOptions();

    std::unique_ptr<ApiService> makeClient(const QStringList& pool, ApiService::Options options = fastOptions());
    // Signs the client in with the stand-in's test account.
    void signIn(ApiService& client);
    // Every later request to `path` gets this answer instead of the service's.
    void answerWith(const QString& path, const QByteArray& body, int status = 200);
    qint64 storedIndex() const;
    void storeIndex(qint64 index);
    // A base URL whose port refuses connections.
    static QString closedUrl();

    StandInService service;
    TempSettings settings;
    LogCapture log;
    quint16 port = service.listenHttp();
    QString url = service.baseUrl(port);
};

} // namespace api_test

#include "platform/while_alive.h"
#include "support/table_row.h"

#include <QCoroTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

QCoro::Task<int> answerLater(int value)
{
    co_await QCoro::sleepFor(10ms);
    co_return value;
}

QCoro::Task<int> failLater()
{
    co_await QCoro::sleepFor(10ms);
    throw std::runtime_error("refused");
}

QCoro::Task<> finishLater() { co_await QCoro::sleepFor(10ms); }

QCoro::Task<> failVoidLater()
{
    co_await QCoro::sleepFor(10ms);
    throw std::runtime_error("refused");
}

// What a coroutine going on after an awaited whileAlive saw.
struct Sight {
    bool ended = false;
    bool survived = false;
    std::optional<int> value;
    QString error;
};

QCoro::Task<> goOnAfterValue(const QObject* context, QCoro::Task<int> task, std::shared_ptr<Sight> sight)
{
    try {
        sight->value = co_await whileAlive(context, std::move(task));
        sight->survived = sight->value.has_value();
    } catch (const std::exception& e) {
        sight->error = QString::fromUtf8(e.what());
    }
    sight->ended = true;
}

QCoro::Task<> goOnAfterEnd(const QObject* context, QCoro::Task<> task, std::shared_ptr<Sight> sight)
{
    try {
        sight->survived = co_await whileAlive(context, std::move(task));
    } catch (const std::exception& e) {
        sight->error = QString::fromUtf8(e.what());
    }
    sight->ended = true;
}

} // namespace

// Both handlers, for a task with a value and for one without: a screen closed while its request
// fails or succeeds runs none of its code.
TEST(WhileAlive, HandsTheOutcomeOnOnlyWhileTheContextLives)
{
    struct Case {
        const char* name;
        bool withValue;
        bool failing;
        bool contextDiesFirst;
        int values;
        int errors;
    };
    const Case cases[] = {
        {"value, context alive", true, false, false, 1, 0},
        {"value, context gone", true, false, true, 0, 0},
        {"error instead of a value, context alive", true, true, false, 0, 1},
        {"error instead of a value, context gone", true, true, true, 0, 0},
        {"end, context alive", false, false, false, 1, 0},
        {"end, context gone", false, false, true, 0, 0},
        {"error instead of the end, context alive", false, true, false, 0, 1},
        {"error instead of the end, context gone", false, true, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        auto context = std::make_unique<QObject>();
        int values = 0;
        int errors = 0;
        QString error;
        bool ended = false;
        QObject watcher;
        const auto onError = [&](const std::exception& e) {
            error = QString::fromUtf8(e.what());
            ++errors;
        };
        if (c.withValue) {
            whileAlive(
                context.get(), c.failing ? failLater() : answerLater(42),
                [&](int value) {
                    EXPECT_EQ(value, 42);
                    ++values;
                },
                onError);
        } else {
            whileAlive(
                context.get(), c.failing ? failVoidLater() : finishLater(), [&] { ++values; }, onError);
        }
        // The end of the same wait, seen from outside.
        whileAlive(&watcher, finishLater(), [&] { ended = true; });
        if (c.contextDiesFirst)
            context.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 2000)) << c.name;
        QCoreApplication::processEvents();
        EXPECT_EQ(values, c.values) << c.name;
        EXPECT_EQ(errors, c.errors) << c.name;
        if (c.errors) {
            EXPECT_EQ(error, QStringLiteral("refused")) << c.name;
        }
    }
}

TEST(WhileAlive, AnAwaitGivesTheOutcomeOnlyWhileTheContextLives)
{
    enum class Task { value, failingValue, end, failingEnd };
    struct Case {
        Task task;
        bool contextDiesFirst;
        bool survived;
        std::optional<int> value;
        QString error;
    };
    const Case cases[] = {
        {Task::value, false, true, 42, {}},
        {Task::value, true, false, std::nullopt, {}},
        {Task::failingValue, false, false, std::nullopt, QStringLiteral("refused")},
        {Task::failingValue, true, false, std::nullopt, {}},
        {Task::end, false, true, std::nullopt, {}},
        {Task::end, true, false, std::nullopt, {}},
        {Task::failingEnd, false, false, std::nullopt, QStringLiteral("refused")},
        {Task::failingEnd, true, false, std::nullopt, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        auto context = std::make_unique<QObject>();
        const auto sight = std::make_shared<Sight>();
        switch (c.task) {
        case Task::value:
            goOnAfterValue(context.get(), answerLater(42), sight);
            break;
        case Task::failingValue:
            goOnAfterValue(context.get(), failLater(), sight);
            break;
        case Task::end:
            goOnAfterEnd(context.get(), finishLater(), sight);
            break;
        case Task::failingEnd:
            goOnAfterEnd(context.get(), failVoidLater(), sight);
            break;
        }
        if (c.contextDiesFirst)
            context.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return sight->ended; }, 2000));
        EXPECT_EQ(sight->survived, c.survived);
        EXPECT_EQ(sight->value, c.value);
        EXPECT_EQ(sight->error, c.error);
    }
}

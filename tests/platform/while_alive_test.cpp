#include "platform/while_alive.h"
#include "support/table_row.h"

#include <QCoroTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
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

} // namespace

TEST(WhileAlive, HandsTheOutcomeOnOnlyWhileTheContextLives)
{
    struct Case {
        const char* name;
        bool failing;
        bool contextDiesFirst;
        int values;
        int errors;
    };
    const Case cases[] = {
        {"value, context alive", false, false, 1, 0},
        {"value, context gone", false, true, 0, 0},
        {"error, context alive", true, false, 0, 1},
        {"error, context gone", true, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        auto context = std::make_unique<QObject>();
        int values = 0;
        int errors = 0;
        QString error;
        bool ended = false;
        QObject watcher;
        whileAlive(
            context.get(), c.failing ? failLater() : answerLater(42),
            [&](int value) {
                EXPECT_EQ(value, 42);
                ++values;
            },
            [&](const std::exception& e) {
                error = QString::fromUtf8(e.what());
                ++errors;
            });
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

#include "platform/instance_request_reader.h"
#include "platform/single_instance.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr qsizetype kBound = InstanceRequestReader::maxLineBytes;

QByteArray filler(qsizetype size) { return QByteArray(size, 'x'); }

} // namespace

TEST(InstanceRequestReader, TakesLinesUpToTheBoundAndStopsAtTheFirstLongerOne)
{
    struct Case {
        const char* name;
        std::vector<QByteArray> reads;
        int reopenRequests;
        bool overlong;
    };
    const Case cases[] = {
        {"one request", {"reopen\n"}, 1, false},
        {"a request split across reads", {"reo", "pen\n"}, 1, false},
        {"two requests in one read", {"reopen\nreopen\n"}, 2, false},
        {"an unfinished request", {"reopen"}, 0, false},
        {"another line is ignored", {"reopen now\nclose\n"}, 0, false},
        {"the longest line, then a request", {filler(kBound - 1) + "\nreopen\n"}, 1, false},
        {"the longest line across reads", {filler(kBound - 100), filler(99) + "\n", "reopen\n"}, 1, false},
        {"the longest line still waiting for its line feed", {filler(kBound)}, 0, false},
        {"one byte over in one read", {filler(kBound) + "\nreopen\n"}, 0, true},
        {"one byte over across reads", {filler(kBound - 100), filler(100), "\n", "reopen\n"}, 0, true},
        {"no line feed at all", {filler(kBound + 1)}, 0, true},
        {"a request before the long line counts", {"reopen\n" + filler(kBound + 1)}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstanceRequestReader reader;
        int requests = 0;
        bool overlong = false;
        for (const auto& read : c.reads) {
            const auto outcome = reader.feed(read);
            requests += outcome.reopenRequests;
            overlong = outcome.overlong;
        }
        EXPECT_EQ(requests, c.reopenRequests);
        EXPECT_EQ(overlong, c.overlong);
    }
}

TEST(SingleInstance, DropsALaunchWhoseLineRunsPastTheBoundAndKeepsAnsweringOthers)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    SingleInstance running(directory.path());
    ASSERT_EQ(running.claim(), SingleInstance::Claim::running);
    QSignalSpy reopened(&running, &SingleInstance::reopenRequested);

    // A line of exactly the bound is read and ignored; the request after it still counts.
    QLocalSocket atTheBound;
    atTheBound.connectToServer(directory.path() + QStringLiteral("/instance.socket"));
    ASSERT_TRUE(atTheBound.waitForConnected(5000));
    atTheBound.write(filler(kBound - 1) + "\nreopen\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 1; }, 5000));
    EXPECT_EQ(atTheBound.state(), QLocalSocket::ConnectedState);

    // One byte more and the launch is dropped before its request is read.
    QLocalSocket overTheBound;
    overTheBound.connectToServer(directory.path() + QStringLiteral("/instance.socket"));
    ASSERT_TRUE(overTheBound.waitForConnected(5000));
    overTheBound.write(filler(kBound) + "\nreopen\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return overTheBound.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(reopened.count(), 1);

    // A later launch is still answered.
    SingleInstance later(directory.path());
    EXPECT_EQ(later.claim(), SingleInstance::Claim::handedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 2; }, 5000));
}

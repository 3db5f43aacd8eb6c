// The program launched twice, as a user would: two real processes of the built executable with
// throwaway home, runtime, settings and stand-in state directories.
#include "support/program_sandbox.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr int kStartUpMs = 15000;
// A launch that hands over is quick; a full second instance would never end on its own.
constexpr int kHandOverMs = 5000;

class TwoLaunches : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sandbox.isValid());
        ASSERT_TRUE(ProgramSandbox::writeFile(settingsPath(), R"({"lastConnectedNodeId": 7})"));
    }

    QProcess* launch() { return m_sandbox.launch(QStringLiteral(VELMORAND_EXECUTABLE)); }
    QByteArray output(QProcess* process) { return m_sandbox.output(process); }
    void plantLeftoverProxy() { ASSERT_TRUE(m_sandbox.plantLeftoverProxy()); }
    QByteArray socksProxyState() const { return m_sandbox.socksProxyState(); }
    QString settingsPath() const { return m_sandbox.path("config") + QStringLiteral("/settings.json"); }
    QByteArray settingsFile() const { return ProgramSandbox::readFile(settingsPath()); }

    // The first instance has run its start-up clean-up: the planted proxy is off.
    void startFirstInstance(QProcess*& first)
    {
        plantLeftoverProxy();
        first = launch();
        ASSERT_TRUE(first->waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return socksProxyState().startsWith("No|"); }, kStartUpMs))
            << output(first).toStdString();
    }

    QString path(const char* sub) const { return m_sandbox.path(sub); }

    ProgramSandbox m_sandbox;
};

TEST_F(TwoLaunches, SecondLaunchBringsTheFirstForwardAndLeavesProxyAndSettingsAlone)
{
    QProcess* first = nullptr;
    ASSERT_NO_FATAL_FAILURE(startFirstInstance(first));
    // What the running connection has set up and stored, which a second clean-up would undo.
    ASSERT_NO_FATAL_FAILURE(plantLeftoverProxy());
    const auto settingsBefore = settingsFile();
    ASSERT_TRUE(settingsBefore.contains("lastConnectedNodeId"));

    auto* second = launch();
    ASSERT_TRUE(second->waitForFinished(kHandOverMs)) << output(second).toStdString();
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);

    EXPECT_TRUE(QTest::qWaitFor([&] { return output(first).contains("[App] Reopen requested by another launch"); },
                                kHandOverMs))
        << output(first).toStdString();
    EXPECT_EQ(socksProxyState(), QByteArray("Yes|127.0.0.1|1080\n"));
    EXPECT_EQ(settingsFile(), settingsBefore);
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(TwoLaunches, LaunchAfterACrashedInstanceStartsInFull)
{
    QProcess* first = nullptr;
    ASSERT_NO_FATAL_FAILURE(startFirstInstance(first));
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(5000));
    // The crashed instance left its lock and socket behind.
    ASSERT_TRUE(QFile::exists(path("run") + QStringLiteral("/velmorand/instance.socket")));

    // The new launch is the running instance: it runs the clean-up itself.
    ASSERT_NO_FATAL_FAILURE(startFirstInstance(first));
    EXPECT_EQ(first->state(), QProcess::Running);

    // And a launch after it hands over to it.
    auto* third = launch();
    ASSERT_TRUE(third->waitForFinished(kHandOverMs)) << output(third).toStdString();
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return output(first).contains("[App] Reopen requested by another launch"); },
                                kHandOverMs));
}

} // namespace

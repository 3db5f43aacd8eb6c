// The program launched twice, as a user would: two real processes of the built executable with
// throwaway home, runtime, settings and stand-in state directories.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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
        ASSERT_TRUE(m_dir.isValid());
        for (const char* sub : {"home", "run", "config", "state/networksetup"})
            ASSERT_TRUE(QDir().mkpath(path(sub)));
        QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The one network service the networksetup stand-in knows.
        QFile services(path("state") + QStringLiteral("/networksetup/services"));
        ASSERT_TRUE(services.open(QIODevice::WriteOnly));
        services.write("Ethernet\n");
        QFile settings(path("config") + QStringLiteral("/settings.json"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(R"({"lastConnectedNodeId": 7})");
    }

    void TearDown() override
    {
        for (auto* process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
            delete process;
        }
    }

    QString path(const char* sub) const { return m_dir.filePath(QString::fromLatin1(sub)); }

    QProcess* launch()
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), path("home"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home") + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("VELMORAND_CONFIG_DIR"), path("config"));
        environment.insert(QStringLiteral("VELMORAND_STATE_DIR"), path("state"));
        environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        // Every request of the program fails at once on this machine.
        environment.insert(QStringLiteral("VELMORAND_API_POOL"), QStringLiteral("https://127.0.0.1:9"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        auto* process = new QProcess;
        m_processes.append(process);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(VELMORAND_EXECUTABLE), {});
        return process;
    }

    // Everything the process printed so far.
    QByteArray output(QProcess* process)
    {
        m_output[process] += process->readAll();
        return m_output[process];
    }

    // Plants a SOCKS proxy on our local port, as a run of the program leaves it.
    void plantLeftoverProxy()
    {
        QFile file(path("state") + QStringLiteral("/networksetup/Ethernet.socksfirewall"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Yes|127.0.0.1|1080\n");
    }

    QByteArray readFile(const QString& name) const
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray socksProxyState() const { return readFile(path("state") + QStringLiteral("/networksetup/Ethernet.socksfirewall")); }
    QByteArray settingsFile() const { return readFile(path("config") + QStringLiteral("/settings.json")); }

    // The first instance has run its start-up clean-up: the planted proxy is off.
    void startFirstInstance(QProcess*& first)
    {
        plantLeftoverProxy();
        first = launch();
        ASSERT_TRUE(first->waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return socksProxyState().startsWith("No|"); }, kStartUpMs))
            << output(first).toStdString();
    }

    QTemporaryDir m_dir;
    QList<QProcess*> m_processes;
    QHash<QProcess*, QByteArray> m_output;
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

    EXPECT_TRUE(QTest::qWaitFor([&] { return output(first).contains("[App] Reopen requested by another launch"); }, kHandOverMs))
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return output(first).contains("[App] Reopen requested by another launch"); }, kHandOverMs));
}

} // namespace

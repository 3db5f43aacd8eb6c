// The proxy core ends with the application however the application ends, and a later start
// ends a core that an earlier run of ours left behind, but no program of anyone else's.
#include "connection/linux_child_process.h"
#include "connection/xray_error.h"
#include "connection/xray_manager.h"
#include "platform/paths.h"
#include "support/child_processes.h"
#include "support/core_test_environment.h"
#include "support/staged_for_other_user.h"
#include "support/task_failure.h"
#include "support/temp_settings.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kOrdinaryUser = 65534; // nobody

bool bothProxyPortsListen()
{
    QString why;
    return !loopbackPortFree(XrayManager::proxyPort, &why) && !loopbackPortFree(XrayManager::httpPort, &why);
}

class CoreLifetimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        if (!coreProxyPortsFree(&why))
            GTEST_SKIP() << "The core's ports 1080 and 1081 must be free for this test: " << why.toStdString();
        const auto options = loopbackCoreOptions(runtime.path(), &why);
        ASSERT_TRUE(options) << why.toStdString();
        coreOptions = *options;
    }

    std::unique_ptr<XrayManager> makeManager()
    {
        return std::make_unique<XrayManager>(*settings.store, launcher, coreOptions);
    }
    QString configPath() const { return coreOptions.configDir + QStringLiteral("/config.json"); }

    // Ends what a test started and what is still there, by process id.
    void endAll(const QSet<qint64>& pids)
    {
        for (const auto pid : pids) {
            if (processAlive(pid))
                ::kill(pid_t(pid), SIGKILL);
        }
    }

    QTemporaryDir runtime;
    TempSettings settings;
    LinuxChildProcessLauncher launcher;
    XrayManager::Options coreOptions;
};

// Debian's v2ray holds a file capability, so when an ordinary user's process starts it, the
// kernel drops the parent-death signal it was given: only a parent that stays can end it.
TEST_F(CoreLifetimeTest, TheCoreEndsWithAnApplicationKilledOutright)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "Running the application as an ordinary user needs root";
    // The ordinary user runs copies: the build tree may be out of its reach.
    StagedForOtherUser staged;
    const auto holder = staged.add(QStringLiteral(VELMORAND_CORE_HOLDER), QStringLiteral("core holder"));
    const auto resources = staged.add(coreOptions.resourcesDir, QStringLiteral("resources"));
    ASSERT_TRUE(staged.problem().isEmpty()) << staged.problem().toStdString();
    QTemporaryDir home;
    ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), kOrdinaryUser, kOrdinaryUser), 0);
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const auto* name : {"HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
        environment.insert(QLatin1String(name), home.path());
    environment.insert(QStringLiteral("VELMORAND_RESOURCES_DIR"), resources);
    QProcess application;
    application.setProcessEnvironment(environment);
    application.setWorkingDirectory(home.path());
    application.start(QStringLiteral("/usr/bin/setpriv"),
                      {QStringLiteral("--reuid=%1").arg(kOrdinaryUser), QStringLiteral("--regid=%1").arg(kOrdinaryUser),
                       QStringLiteral("--clear-groups"), QStringLiteral("--"), holder, home.path()});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return application.canReadLine() || application.state() == QProcess::NotRunning; }, 20000));
    const auto line = application.readLine().trimmed();
    ASSERT_TRUE(line.startsWith("started ")) << line.toStdString() << application.readAllStandardError().toStdString();
    const auto core = withChildren(line.mid(8).toLongLong());
    ASSERT_FALSE(core.isEmpty());
    ASSERT_TRUE(bothProxyPortsListen());

    ::kill(pid_t(application.processId()), SIGKILL);
    ASSERT_TRUE(application.waitForFinished(5000));

    EXPECT_TRUE(QTest::qWaitFor([&] { return !anyAlive(core); }, 2000)) << "the core outlived the application";
    EXPECT_TRUE(QTest::qWaitFor(
        [] {
            QString why;
            return coreProxyPortsFree(&why);
        },
        2000));
    endAll(core);
}

TEST_F(CoreLifetimeTest, AStartEndsACoreOfOursThatAnEarlierRunLeftBehind)
{
    // The earlier run wrote the configuration and was killed, so the configuration stayed; its
    // core is still there, known to no manager.
    QByteArray leftBehind;
    {
        auto earlier = makeManager();
        ASSERT_FALSE(failureOf<XrayError>(earlier->start(idleLoopbackNode(), QStringLiteral("127.0.0.1"))));
        QFile config(configPath());
        ASSERT_TRUE(config.open(QIODevice::ReadOnly));
        leftBehind = config.readAll();
    }
    QFile config(configPath());
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(leftBehind);
    config.close();
    QProcess leftover;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XRAY_LOCATION_ASSET"), coreOptions.configDir);
    leftover.setProcessEnvironment(environment);
    leftover.start(coreOptions.resourcesDir + QStringLiteral("/xray"),
                   {QStringLiteral("run"), QStringLiteral("-c"), configPath()});
    ASSERT_TRUE(leftover.waitForStarted());
    const auto leftoverPid = leftover.processId();
    ASSERT_TRUE(QTest::qWaitFor(bothProxyPortsListen, 10000));
    const auto leftoverCore = withChildren(leftoverPid);

    auto manager = makeManager();
    const auto error = failureOf<XrayError>(manager->start(idleLoopbackNode(), QStringLiteral("127.0.0.1")));

    EXPECT_FALSE(error) << error->description().toStdString();
    EXPECT_TRUE(manager->isRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !anyAlive(leftoverCore); }, 3000));
    EXPECT_NE(manager->processId(), leftoverPid);
    manager->stop();
    endAll(leftoverCore);
}

TEST_F(CoreLifetimeTest, AnotherProgramOnTheProxyPortStaysAndIsReported)
{
    // Another program listening on 1080, even one that names our configuration file.
    QDir().mkpath(coreOptions.configDir);
    QFile config(configPath());
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(
        R"({"inbounds":[{"listen":"127.0.0.1","port":1080,"protocol":"socks","settings":{}}],"outbounds":[{"protocol":"freedom"}]})");
    config.close();
    QProcess other;
    other.start(QStringLiteral("/usr/bin/v2ray"), {QStringLiteral("-config"), configPath()});
    ASSERT_TRUE(other.waitForStarted());
    QString why;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loopbackPortFree(XrayManager::proxyPort, &why); }, 10000));

    auto manager = makeManager();
    const auto error = failureOf<XrayError>(manager->start(idleLoopbackNode(), QStringLiteral("127.0.0.1")));

    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::portBusy);
    EXPECT_EQ(error->description(), QStringLiteral("端口 1080 已被其他程序占用"));
    EXPECT_EQ(other.state(), QProcess::Running);
    other.kill();
    other.waitForFinished();
}

} // namespace

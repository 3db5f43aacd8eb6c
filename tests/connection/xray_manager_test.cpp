#include "connection/xray_error.h"
#include "support/loopback_ports.h"
#include "support/table_row.h"
#include "support/task_failure.h"
#include "xray_test_fixture.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace {

const QString kNettop = QStringLiteral("/usr/sbin/nettop");

class XrayManagerTest : public ::testing::Test {
protected:
    void SetUp() override { fixture.installCore(); }

    QString corePath() const { return fixture.resources.filePath(QStringLiteral("xray")); }
    QString configDir() const { return fixture.options().configDir; }
    QString configPath() const { return configDir() + QStringLiteral("/config.json"); }

    std::optional<XrayError> start(XrayManager& manager, const Node& node = testNode(),
                                   const std::optional<QString>& sni = QStringLiteral("sni.example"))
    {
        return failureOf<XrayError>(manager.start(node, sni));
    }

    QList<RecordingChildLauncher::Made> cores() const { return fixture.launcher.madeFor(corePath()); }
    QList<RecordingChildLauncher::Made> monitors() const { return fixture.launcher.madeFor(kNettop); }

    static int unixMode(const QString& path)
    {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return int(info.st_mode & 07777);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    XrayFixture fixture;
};

TEST_F(XrayManagerTest, StartsTheCoreFromItsPrivateConfigurationDirectory)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    EXPECT_TRUE(manager->isRunning());

    ASSERT_EQ(cores().size(), 1);
    const auto& request = cores()[0].request;
    EXPECT_EQ(request.arguments, (QStringList{QStringLiteral("run"), QStringLiteral("-c"), configPath()}));
    EXPECT_EQ(request.workingDirectory, configDir());
    EXPECT_EQ(request.environment, (QMap<QString, QString>{{QStringLiteral("XRAY_LOCATION_ASSET"), configDir()}}));

    EXPECT_EQ(QString::fromUtf8(readFile(configPath())),
              manager->buildConfig(testNode(), QStringLiteral("sni.example")));
    // The configuration holds credentials: only the user may read it or enter its directory.
    EXPECT_EQ(unixMode(configDir()), 0700);
    EXPECT_EQ(unixMode(configPath()), 0600);
    for (const auto* name : {"geoip.dat", "geosite.dat"})
        EXPECT_EQ(readFile(configDir() + QLatin1Char('/') + QLatin1String(name)), "resources " + QByteArray(name));

    ASSERT_EQ(monitors().size(), 1);
    EXPECT_EQ(monitors()[0].request.commandLine(),
              QStringLiteral("/usr/sbin/nettop -P -l 1000000 -J bytes_in,bytes_out -p %1").arg(*manager->processId()));
}

// The configuration carries the node's password: it lives only while a core runs from it,
// however the core comes to stop.
TEST_F(XrayManagerTest, TheConfigurationGoesWhenTheCoreStops)
{
    struct Case {
        const char* how;
        bool launchFails;
        std::function<void(std::unique_ptr<XrayManager>&, FakeChildProcess*)> end;
    };
    const Case cases[] = {
        {"disconnect", false, [](auto& manager, auto*) { manager->stop(); }},
        {"the core died", false, [](auto&, auto* core) { core->end(); }},
        {"quit", false, [](auto& manager, auto*) { manager.reset(); }},
        {"the core did not start", true, [](auto&, auto*) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        fixture.launcher.configure = [&c, this](FakeChildProcess& child) {
            if (child.request.program == corePath())
                child.startSucceeds = !c.launchFails;
        };
        auto manager = fixture.make();
        const auto error = start(*manager);
        ASSERT_EQ(bool(error), c.launchFails);
        if (!c.launchFails) {
            ASSERT_TRUE(readFile(configPath()).contains("pw-1"));
            EXPECT_EQ(unixMode(configPath()), 0600);
        }
        c.end(manager, cores().last().child);
        EXPECT_FALSE(QFileInfo::exists(configPath()));
        EXPECT_TRUE(QFileInfo::exists(configDir() + QStringLiteral("/geoip.dat"))) << "only the configuration goes";
    }
}

TEST_F(XrayManagerTest, WithoutACoreExecutableNothingIsWritten)
{
    QFile::remove(corePath());
    auto manager = fixture.make();
    const auto error = start(*manager);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 1);
    EXPECT_EQ(XrayError::domain(), QStringLiteral("Xray"));
    EXPECT_EQ(error->description(), QStringLiteral("未找到 xray 内核 (请重新安装 Velmorand)"));
    EXPECT_FALSE(QFileInfo::exists(configPath()));
    EXPECT_TRUE(fixture.launcher.made.isEmpty());
    EXPECT_FALSE(manager->isRunning());
}

TEST_F(XrayManagerTest, StartWhileRunningKeepsTheRunningNode)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    const auto config = readFile(configPath());
    auto other = testNode(QStringLiteral("198.51.100.9"));
    other.id = 8;
    EXPECT_FALSE(start(*manager, other));
    EXPECT_EQ(cores().size(), 1);
    EXPECT_EQ(readFile(configPath()), config);
}

TEST_F(XrayManagerTest, GeodataAlreadyInTheDirectoryStays)
{
    QDir().mkpath(configDir());
    QFile old(configDir() + QStringLiteral("/geoip.dat"));
    old.open(QIODevice::WriteOnly);
    old.write("older copy");
    old.close();
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    EXPECT_EQ(readFile(configDir() + QStringLiteral("/geoip.dat")), "older copy");
    EXPECT_EQ(readFile(configDir() + QStringLiteral("/geosite.dat")), "resources geosite.dat");
}

TEST_F(XrayManagerTest, EachNonEmptyOutputStreamIsRelayedOnceAfterTheCoreEnds)
{
    struct Case {
        QByteArray out;
        QByteArray err;
        QStringList relayed;
    };
    const Case cases[] = {
        {"started\nrunning\n", "", {QStringLiteral("started\nrunning\n")}},
        {"out\n", "err\n", {QStringLiteral("out\n"), QStringLiteral("err\n")}},
        {"", "", {}},
        {"\xff\xfe broken", "fine", {QStringLiteral("fine")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        auto manager = fixture.make();
        ASSERT_FALSE(start(*manager));
        QSignalSpy relayed(manager.get(), &XrayManager::kernelLog);
        auto core = cores().last().child;
        core->print(c.out.left(3));
        core->print(c.out.mid(3));
        core->printError(c.err);
        EXPECT_EQ(relayed.size(), 0) << "nothing before the streams end";
        core->end();
        EXPECT_EQ(relayed.size(), 0) << "posted, not sent from inside the exit handler";
        QCoreApplication::processEvents();
        QStringList messages;
        for (const auto& arguments : relayed)
            messages.append(arguments.at(0).toString());
        EXPECT_EQ(messages, c.relayed);
        EXPECT_FALSE(manager->isRunning());
    }
}

TEST_F(XrayManagerTest, ALongRunRelaysTheLatestMegabyteOfWholeLines)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    QSignalSpy relayed(manager.get(), &XrayManager::kernelLog);
    auto core = cores()[0].child;
    // A line per connection, as the core's access log writes them: 3 MB in all.
    const QByteArray line = "2026/01/01 00:00:00 tcp:127.0.0.1:50000 accepted tcp:127.0.0.1:8080 [proxy] 中\n";
    const int lines = 3 * 1024 * 1024 / int(line.size());
    for (int i = 0; i < lines; ++i)
        core->print(QByteArray::number(i) + ' ' + line);
    core->end();
    QCoreApplication::processEvents();
    ASSERT_EQ(relayed.size(), 1);
    const auto text = relayed[0].at(0).toString();
    EXPECT_LE(text.toUtf8().size(), 1024 * 1024);
    EXPECT_GT(text.toUtf8().size(), 1024 * 1024 - 2 * line.size());
    EXPECT_TRUE(text.endsWith(QString::number(lines - 1) + QLatin1Char(' ') + QString::fromUtf8(line)));
    EXPECT_TRUE(text.front().isDigit()) << "starts with a whole line";
}

TEST_F(XrayManagerTest, StopWithNothingStartedOnlyResetsTheCounters)
{
    auto manager = fixture.make();
    manager->parseTraffic(u"x 5 B 6 B\n");
    manager->stop();
    EXPECT_EQ(manager->lastTraffic().down, 0);
    EXPECT_EQ(manager->lastTraffic().up, 0);
    EXPECT_TRUE(fixture.launcher.made.isEmpty());
}

TEST_F(XrayManagerTest, StopEndsMonitorAndCoreAndClearsTheRun)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    const auto core = cores()[0].record;
    const auto monitor = monitors()[0].record;
    monitors()[0].child->print("v2ray.1 10 B 20 B\n");
    manager->stop();
    EXPECT_FALSE(manager->isRunning());
    EXPECT_FALSE(manager->processId());
    EXPECT_EQ(manager->lastTraffic().down, 0);
    EXPECT_FALSE(core->running);
    EXPECT_EQ(core->terminateRequests, 1);
    EXPECT_FALSE(core->killed);
    EXPECT_FALSE(monitor->running);
}

TEST_F(XrayManagerTest, ACoreThatIgnoresTerminationIsKilled)
{
    fixture.launcher.configure = [](FakeChildProcess& child) { child.ignoresTerminate = true; };
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    const auto core = cores()[0].record;
    manager->stop();
    EXPECT_EQ(core->terminateRequests, 2);
    EXPECT_TRUE(core->killed);
    ASSERT_FALSE(core->waits.isEmpty());
    EXPECT_EQ(core->waits.first(), std::chrono::milliseconds(1000));
    EXPECT_FALSE(core->running);
    EXPECT_FALSE(manager->isRunning());
}

TEST_F(XrayManagerTest, ACoreThatEndsAtOnceDoesNotCountAsStarted)
{
    fixture.launcher.configure = [this](FakeChildProcess& child) {
        if (child.request.program == corePath())
            child.onStart = [](FakeChildProcess& core) {
                core.print("V2Ray 4.34.0\nFailed to start: listen tcp 127.0.0.1:1080: bind: address already in use\n");
                core.end();
            };
    };
    auto manager = fixture.make();
    QSignalSpy runningChanged(manager.get(), &XrayManager::runningChanged);
    const auto error = start(*manager);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::exitedAtStart);
    EXPECT_EQ(error->description(),
              QStringLiteral(
                  "xray 内核启动后立即退出: Failed to start: listen tcp 127.0.0.1:1080: bind: address already in use"));
    EXPECT_FALSE(manager->isRunning());
    EXPECT_EQ(runningChanged.size(), 0);
    EXPECT_TRUE(monitors().isEmpty());
}

TEST_F(XrayManagerTest, ALaunchFailureIsReported)
{
    fixture.launcher.configure = [](FakeChildProcess& child) { child.startSucceeds = false; };
    auto manager = fixture.make();
    const auto error = start(*manager);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::launchFailed);
    EXPECT_EQ(error->description(), QStringLiteral("No such file or directory"));
    EXPECT_FALSE(manager->isRunning());
    // A later start tries again.
    fixture.launcher.configure = nullptr;
    EXPECT_FALSE(start(*manager));
    EXPECT_TRUE(manager->isRunning());
}

TEST_F(XrayManagerTest, TheCoreCountsAsStartedOnceItsPortsAccept)
{
    const quint16 port = closedLoopbackPort();
    QTcpServer listener;
    fixture.launcher.configure = [&](FakeChildProcess& child) {
        if (child.request.program == corePath())
            child.onStart = [&](FakeChildProcess&) {
                QTimer::singleShot(100, &listener, [&] { listener.listen(QHostAddress::LocalHost, port); });
            };
    };
    auto options = fixture.options();
    options.listenPorts = {port};
    auto manager = fixture.make(options);
    EXPECT_FALSE(start(*manager));
    EXPECT_TRUE(listener.isListening());
    EXPECT_TRUE(manager->isRunning());
}

TEST_F(XrayManagerTest, ACoreThatNeverListensIsStoppedAndReported)
{
    auto options = fixture.options();
    options.listenPorts = {closedLoopbackPort()};
    options.readyTimeout = std::chrono::milliseconds(200);
    auto manager = fixture.make(options);
    const auto error = start(*manager);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::notListening);
    EXPECT_FALSE(manager->isRunning());
    ASSERT_EQ(cores().size(), 1);
    EXPECT_FALSE(cores()[0].record->running);
}

TEST_F(XrayManagerTest, APortHeldByAnotherProgramFailsTheStart)
{
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    auto options = fixture.options();
    options.listenPorts = {other.serverPort()};
    auto manager = fixture.make(options);
    const auto error = start(*manager);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::portBusy);
    EXPECT_EQ(error->description(), QStringLiteral("端口 %1 已被其他程序占用").arg(other.serverPort()));
    EXPECT_TRUE(fixture.launcher.made.isEmpty());
}

TEST_F(XrayManagerTest, StopDuringAStartEndsThatStart)
{
    auto options = fixture.options();
    options.listenPorts = {closedLoopbackPort()};
    auto manager = fixture.make(options);
    auto starting = manager->start(testNode(), QStringLiteral("sni.example"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cores().isEmpty(); }));
    manager->stop();
    const auto error = failureOf<XrayError>(std::move(starting));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), XrayError::stoppedWhileStarting);
    EXPECT_FALSE(manager->isRunning());
    EXPECT_FALSE(cores()[0].record->running);
}

TEST_F(XrayManagerTest, OnlyTheCurrentCoresExitEndsTheRun)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    // A core stuck in the kernel outlives even the kill, and its process object outlives the run.
    QPointer<FakeChildProcess> first = cores()[0].child;
    first->ignoresTerminate = true;
    first->ignoresKill = true;
    first->outlivesRelease = true;
    manager->stop();
    ASSERT_FALSE(start(*manager));
    ASSERT_TRUE(first);
    first->end();
    EXPECT_TRUE(manager->isRunning()) << "the earlier core's exit must not end the new run";
    delete first;
    cores()[1].child->end();
    EXPECT_FALSE(manager->isRunning());
}

TEST_F(XrayManagerTest, ARestartAfterTheCoreDiedEndsTheOldMonitor)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    const auto oldMonitor = monitors()[0].record;
    cores()[0].child->end();
    EXPECT_FALSE(manager->isRunning());
    EXPECT_TRUE(oldMonitor->running) << "the exit handler leaves the monitor alone";
    ASSERT_FALSE(start(*manager));
    EXPECT_FALSE(oldMonitor->running);
    ASSERT_EQ(monitors().size(), 2);
    EXPECT_TRUE(monitors()[1].record->running);
}

TEST_F(XrayManagerTest, MonitorOutputFeedsTheCountersLineByLine)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    auto monitor = monitors()[0].child;
    monitor->print("v2ray.4000 10485");
    EXPECT_EQ(manager->lastTraffic().down, 0) << "half a line waits for its end";
    monitor->print("760 B 2 KiB\n");
    EXPECT_EQ(manager->lastTraffic().down, 10485760);
    EXPECT_EQ(manager->lastTraffic().up, 2048);
}

TEST_F(XrayManagerTest, ModeIsNormalisedAndStored)
{
    struct Case {
        const char* requested;
        const char* stored;
    };
    for (const auto& c : {Case{"global", "global"}, Case{"GLOBAL", "rule"}, Case{"Global", "rule"},
                          Case{"direct", "rule"}, Case{"", "rule"}}) {
        // Stored before: the other mode, so that every request is a change.
        fixture.settings.store->setValue(SettingsKeys::mihomoMode,
                                         QLatin1String(c.stored) == QLatin1String("global") ? QStringLiteral("rule")
                                                                                            : QStringLiteral("global"));
        auto manager = fixture.make();
        QCoro::waitFor(manager->setMode(QString::fromLatin1(c.requested)));
        EXPECT_EQ(manager->mode(), QLatin1String(c.stored)) << c.requested;
        EXPECT_EQ(fixture.settings.reopen()->stringValue(SettingsKeys::mihomoMode), QLatin1String(c.stored))
            << c.requested;
    }
    EXPECT_TRUE(fixture.launcher.made.isEmpty()) << "a change while idle starts nothing";
}

TEST_F(XrayManagerTest, RequestingTheCurrentModeDoesNothing)
{
    fixture.settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("global"));
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    QSignalSpy writes(fixture.settings.store.get(), &SettingsStore::valueChanged);
    QSignalSpy modeChanged(manager.get(), &XrayManager::modeChanged);
    QCoro::waitFor(manager->setMode(QStringLiteral("global")));
    EXPECT_EQ(writes.size(), 0);
    EXPECT_EQ(modeChanged.size(), 0);
    EXPECT_EQ(cores().size(), 1);
}

TEST_F(XrayManagerTest, AModeChangeRestartsARunningCoreWithTheSameNode)
{
    auto manager = fixture.make();
    ASSERT_FALSE(start(*manager));
    const auto first = cores()[0].record;
    QCoro::waitFor(manager->setMode(QStringLiteral("global")));
    EXPECT_FALSE(first->running);
    ASSERT_EQ(cores().size(), 2);
    EXPECT_TRUE(manager->isRunning());
    EXPECT_EQ(cores()[1].request.arguments, cores()[0].request.arguments);
    EXPECT_EQ(QString::fromUtf8(readFile(configPath())),
              manager->buildConfig(testNode(), QStringLiteral("sni.example")));
    EXPECT_TRUE(readFile(configPath()).contains("\"rules\" : []"));
}

TEST_F(XrayManagerTest, AStoredModeIsTakenUnchecked)
{
    fixture.settings.store->setValue(SettingsKeys::mihomoMode, QStringLiteral("weird"));
    auto manager = fixture.make();
    EXPECT_EQ(manager->mode(), QStringLiteral("weird"));
    EXPECT_TRUE(manager->buildConfig(testNode(), std::nullopt).contains(QLatin1String("geoip:cn")));
}

} // namespace

// The program killed while connected, then launched again: the new launch stops the core the
// dead one left, switches off the system proxy it left on our port, and connects again. With the
// kill switch on, the new launch takes over the rules the killed run left loaded.
#include "stand_in_service/stand_in_service.h"
#include "support/loopback_ports.h"
#include "support/private_network.h"
#include "support/program_sandbox.h"
#include "support/root_script_runner.h"
#include "support/trojan_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>

namespace {

constexpr int kStartUpMs = 15000;
const QString kInside = QStringLiteral("inside");

bool killSwitchRulesLoaded() { return nftRuleset().contains(QStringLiteral("table inet velmorand")); }

class CrashRecovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sandbox.isValid());
        // A core of the suite before may still be letting go of the ports the program's core needs.
        QString why;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return loopbackPortFree(1080, &why) && loopbackPortFree(1081, &why); }, kStartUpMs))
            << why.toStdString();
        QString error;
        ASSERT_TRUE(trojan.start(&error)) << error.toStdString();
        qputenv("SSL_CERT_FILE", TrojanServer::caCertificate().toUtf8());
        // The node list without a session: what a signed-in launch would fetch.
        const auto node = QJsonDocument::fromJson(trojan.node(7).toJson()).object();
        StandInService::Override nodes;
        nodes.status = 200;
        nodes.body
            = QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("data"), QJsonArray{node}}})
                  .toJson();
        service.setOverride(QStringLiteral("/api/nodes"), nodes);
        m_apiPool = service.baseUrl(service.listenHttp());
        ASSERT_TRUE(ProgramSandbox::writeFile(path("config") + QStringLiteral("/settings.json"),
                                              R"({"autoConnect": true, "lastConnectedNodeId": 7})"));
    }

    QProcess* launch()
    {
        return m_sandbox.launch(StagedRootProgram::path(QStringLiteral(VELMORAND_EXECUTABLE)),
                                {{QStringLiteral("VELMORAND_API_POOL"), m_apiPool}});
    }
    QByteArray output(QProcess* process) { return m_sandbox.output(process); }
    QByteArray socksProxyState() const { return m_sandbox.socksProxyState(); }
    QString path(const char* sub) const { return m_sandbox.path(sub); }

    // Processes whose command line names this test's runtime directory: the cores of our launches.
    QList<qint64> coresOfThisTest() const
    {
        QList<qint64> pids;
        const auto marker = path("run").toUtf8();
        for (const auto& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool numeric = false;
            const auto pid = entry.toLongLong(&numeric);
            if (!numeric)
                continue;
            QFile cmdline(QStringLiteral("/proc/") + entry + QStringLiteral("/cmdline"));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(marker))
                pids.append(pid);
        }
        return pids;
    }

    void waitConnected(QProcess* app)
    {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return socksProxyState() == "Yes|127.0.0.1|1080\n" && !coresOfThisTest().isEmpty(); }, kStartUpMs))
            << socksProxyState().toStdString() << output(app).toStdString();
    }

    ProgramSandbox m_sandbox;
    TrojanServer trojan;
    StandInService service;
    QString m_apiPool;
};

// The kill switch changes the packet filter for real, so these runs happen in a private network
// namespace (loopback only, where the core's ports are this test's own as well): the test runs
// itself again inside, where the fixture is set up.
class CrashRecoveryWithTheKillSwitch : public CrashRecovery {
protected:
    void SetUp() override
    {
        if (NetworkNamespace::role() == kInside)
            CrashRecovery::SetUp();
    }

    // Runs this test again inside a namespace of its own and reports how it went there.
    static void runInsideAPrivateNetwork()
    {
        QString why;
        if (!NetworkNamespace::available(&why))
            GTEST_SKIP() << "The kill switch is tested in a private network namespace, which cannot be made here: "
                         << why.toStdString();
        NetworkNamespace network(QStringLiteral("crash"));
        QString error;
        ASSERT_TRUE(network.create(&error)) << error.toStdString();
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString name
            = QString::fromLatin1(test->test_suite_name()) + QLatin1Char('.') + QString::fromLatin1(test->name());
        QByteArray output;
        EXPECT_TRUE(network.runSelf(name, kInside, 4 * kStartUpMs, &output)) << output.toStdString();
    }

    QString settingsFile() const { return path("config") + QStringLiteral("/settings.json"); }
    QJsonObject settings() const { return QJsonDocument::fromJson(ProgramSandbox::readFile(settingsFile())).object(); }

    // Changes one setting in the file the program keeps its settings in.
    void setSetting(const QString& key, const QJsonValue& value)
    {
        auto changed = settings();
        changed.insert(key, value);
        ASSERT_TRUE(ProgramSandbox::writeFile(settingsFile(), QJsonDocument(changed).toJson()));
    }
};

TEST_F(CrashRecovery, KillNineWhileConnectedThenTheNextLaunchCleansUpAndConnects)
{
    auto* first = launch();
    ASSERT_TRUE(first->waitForStarted(5000));
    ASSERT_NO_FATAL_FAILURE(waitConnected(first));
    const auto leftCores = coresOfThisTest();

    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(5000));
    ASSERT_EQ(socksProxyState(), QByteArray("Yes|127.0.0.1|1080\n")) << "the killed run left its proxy on";

    auto* second = launch();
    ASSERT_TRUE(second->waitForStarted(5000));
    // The cores of the killed run end; the proxy goes off, then the new connection sets it again.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto now = coresOfThisTest();
            return std::none_of(leftCores.begin(), leftCores.end(), [&](qint64 pid) { return now.contains(pid); });
        },
        kStartUpMs))
        << output(second).toStdString();
    ASSERT_NO_FATAL_FAILURE(waitConnected(second));

    second->terminate();
    EXPECT_TRUE(second->waitForFinished(kStartUpMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return coresOfThisTest().isEmpty(); }, kStartUpMs));
}

// The rules outlive the killed run. The next launch, the user not connecting, keeps them in force
// (they are the user's choice) and, knowing them as its own, releases them when it quits: the
// network is not left blocked with no program to open it.
TEST_F(CrashRecoveryWithTheKillSwitch, KillNineWhileConnectedThenTheNextLaunchTakesTheRulesOverAndItsQuitReleasesThem)
{
    if (NetworkNamespace::role() != kInside)
        return runInsideAPrivateNetwork();
    setSetting(QStringLiteral("killSwitchEnabled"), true);
    auto* first = launch();
    ASSERT_TRUE(first->waitForStarted(5000));
    ASSERT_NO_FATAL_FAILURE(waitConnected(first));
    // Loaded, and noted as loaded in the settings: the note is what a later launch goes by.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return killSwitchRulesLoaded() && settings().value(QStringLiteral("killSwitchRulesLoaded")).toBool(); },
        kStartUpMs))
        << nftRuleset().toStdString() << ProgramSandbox::readFile(settingsFile()).toStdString();

    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(5000));
    ASSERT_TRUE(killSwitchRulesLoaded()) << "the killed run left its rules";

    setSetting(QStringLiteral("autoConnect"), false);
    auto* second = launch();
    ASSERT_TRUE(second->waitForStarted(5000));
    // The launch switches the left proxy off shortly after it has taken the rules over.
    EXPECT_TRUE(QTest::qWaitFor([&] { return socksProxyState() != "Yes|127.0.0.1|1080\n"; }, kStartUpMs))
        << output(second).toStdString();
    EXPECT_TRUE(killSwitchRulesLoaded()) << "the user's choice stays in force";

    second->terminate();
    EXPECT_TRUE(second->waitForFinished(kStartUpMs));
    EXPECT_FALSE(killSwitchRulesLoaded()) << nftRuleset().toStdString() << output(second).toStdString();
}

} // namespace

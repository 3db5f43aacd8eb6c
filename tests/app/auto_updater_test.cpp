#include "app/auto_updater.h"
#include "app/update_installer.h"
#include "app/version_compare.h"
#include "support/table_row.h"

#include "api/api_service.h"
#include "app/app_events.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "stand_in_service/stand_in_service.h"
#include "support/captured_log.h"
#include "support/temp_settings.h"
#include "updater_fakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Mode = AutoUpdater::InstallMode;
const QString kMainWeb = QStringLiteral("https://main.example.invalid");

TEST(Versions, CompareOrdersDigitRunsByValue)
{
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"1.10.0", "1.9.0", 1}, {"1.9.0", "1.10.0", -1}, {"1.2.0", "1.2.0", 0},  {"1.2", "1.2.0", -1},
        {"1.2.0", "1.2", 1},    {"2.0", "1.99.99", 1},   {"1.0.10", "1.0.9", 1}, {"1.02", "1.2", 0},
        {"10", "9", 1},         {"1.0.0", "1.0.0a", -1}, {"", "0", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Versions::compare(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.expected)
            << c.a << " vs " << c.b;
}

TEST(Versions, OnlyPlainDottedNumbersAreStrict)
{
    for (const char* good : {"1", "1.10.0", "2.0.0.1", "0.0.1"})
        EXPECT_TRUE(Versions::isStrictDotted(QString::fromUtf8(good))) << good;
    for (const char* bad : {"", "1.", ".1", "1..2", "v1.2", "1.2.3.4.5", "1.2\n", "1.2; rm -rf /", "1.2 ", "1.2-beta",
                            "../1", "1.2$(id)", "1234567890.1"})
        EXPECT_FALSE(Versions::isStrictDotted(QString::fromUtf8(bad))) << bad;
}

// An updater over the stand-in service: its version call answers as a test sets it, and its
// HTTPS listener (the test certificate, trusted by the updater) serves the disk images.
class AutoUpdaterTest : public ::testing::Test {
protected:
    AutoUpdaterTest()
    {
        const auto certs = qEnvironmentVariable("VELMORAND_TEST_CERTS");
        httpPort = service.listenHttp();
        httpsPort = service.listenHttps(certs + QStringLiteral("/server.crt"), certs + QStringLiteral("/server.key"));
        tls.addCaCertificates(certs + QStringLiteral("/ca.crt"));
        QCoreApplication::setApplicationVersion(QStringLiteral("1.9.0"));
    }
    ~AutoUpdaterTest() override { QCoreApplication::setApplicationVersion(QString()); }

    AutoUpdater& updater(Mode mode = Mode::submitInstallerScript)
    {
        api = std::make_unique<ApiService>(*settings.store, QStringList{service.baseUrl(httpPort)});
        instance = std::make_unique<AutoUpdater>(AutoUpdater::Collaborators{.api = *api,
                                                                            .adminScripts = admin,
                                                                            .urlOpener = opener,
                                                                            .notifier = hub,
                                                                            .quit = [this] { ++quits; },
                                                                            .installMode = mode,
                                                                            .mainWebAddress = kMainWeb,
                                                                            .workDirParent = workParent.path(),
                                                                            .sslConfiguration = tls,
                                                                            .prompts = &prompts});
        return *instance;
    }

    void answer(const QString& path, int status, const QByteArray& body)
    {
        StandInService::Override override;
        override.status = status;
        override.body = body;
        override.contentType = path.endsWith(QStringLiteral(".dmg")) ? "application/octet-stream" : "application/json";
        service.setOverride(path, override);
    }

    QUrl imageUrl(const QString& path = QStringLiteral("/downloads/Velmorand.dmg")) const
    {
        return QUrl(service.baseUrl(httpsPort) + path);
    }

    // Checks against a service whose version call answers `body`.
    void checkAgainst(const QByteArray& body, bool forceNotify)
    {
        answer(QStringLiteral("/api/app_version"), 200, body);
        service.clearRequests();
        QCoro::waitFor(updater().check(forceNotify));
        const auto requests = service.requestsTo(QStringLiteral("/api/app_version"));
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].target, QByteArray("/api/app_version?platform=macos"));
    }

    // Downloads `body` over HTTPS; the stored file's path, or empty when none was stored.
    QString downloadStored(const QByteArray& body, Mode mode = Mode::submitInstallerScript)
    {
        answer(QStringLiteral("/downloads/Velmorand.dmg"), 200, body);
        QSignalSpy complete(&hub, &AppEvents::downloadComplete);
        updater(mode).downloadWithProgress(imageUrl().toString(), QStringLiteral("2.4.1"));
        if (!complete.wait(10000))
            return {};
        return complete.first().first().toString();
    }

    StandInService service;
    quint16 httpPort = 0;
    quint16 httpsPort = 0;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    TempSettings settings;
    QTemporaryDir workParent;
    RecordingAdminScriptRunner admin;
    RecordingUrlOpener opener;
    ScriptedPrompts prompts;
    AppEvents hub;
    int quits = 0;
    std::unique_ptr<ApiService> api;
    std::unique_ptr<AutoUpdater> instance;
};

TEST_F(AutoUpdaterTest, ANewerVersionIsOffered)
{
    checkAgainst(R"({"ok":true,"version":"1.10.0","url":"https://127.0.0.1:1/v.dmg"})", false);
    ASSERT_EQ(prompts.alerts.size(), 1);
    EXPECT_EQ(prompts.alerts[0].message, QStringLiteral("发现新版本 v1.10.0"));
    EXPECT_EQ(prompts.alerts[0].informativeText, QStringLiteral("当前版本: v1.9.0\n\n新增功能与优化，是否立即下载？"));
    EXPECT_EQ(prompts.alerts[0].buttons, (QStringList{QStringLiteral("下载更新"), QStringLiteral("稍后")}));
    EXPECT_EQ(quits, 0);
}

TEST_F(AutoUpdaterTest, NoNewerVersionIsConfirmedOnlyWhenAsked)
{
    struct Case {
        const char* current;
        QByteArray answer;
    };
    const Case cases[] = {
        {"1.9.0", R"({"ok":true,"version":"1.9.0"})"},           {"1.2.0", R"({"ok":true,"version":"1.2"})"},
        {"1.9.0", R"({"ok":false,"version":"9.0.0"})"},          {"1.9.0", R"({"ok":true})"},
        {"1.9.0", R"({"ok":true,"version":"9.0.0; rm -rf ~"})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        for (const bool forceNotify : {false, true}) {
            QCoreApplication::setApplicationVersion(QString::fromUtf8(c.current));
            prompts.alerts.clear();
            checkAgainst(c.answer, forceNotify);
            if (!forceNotify) {
                EXPECT_TRUE(prompts.alerts.isEmpty()) << c.answer.constData();
                continue;
            }
            ASSERT_EQ(prompts.alerts.size(), 1) << c.answer.constData();
            EXPECT_EQ(prompts.alerts[0].message,
                      QStringLiteral("已是最新版本 (") + QString::fromUtf8(c.current) + QLatin1Char(')'));
            EXPECT_EQ(prompts.alerts[0].buttons, QStringList{QStringLiteral("确定")});
        }
    }
}

TEST_F(AutoUpdaterTest, AFailedCheckShowsNothingEvenWhenAsked)
{
    StandInService::Override drop;
    drop.drop = true;
    service.setOverride(QStringLiteral("/api/app_version"), drop);
    CapturedLog log;
    QCoro::waitFor(updater().check(true));
    EXPECT_TRUE(prompts.alerts.isEmpty());
    ASSERT_FALSE(log.lines().filter(QStringLiteral("[AutoUpdater] Update check failed: ")).isEmpty());
}

TEST_F(AutoUpdaterTest, TheMissingApplicationVersionCountsAsOneZeroZero)
{
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_EQ(updater().currentVersion(), QStringLiteral("1.0.0"));
}

TEST_F(AutoUpdaterTest, TheSecondButtonQuitsOnlyForAMandatoryUpdate)
{
    prompts.answers = {1};
    QCoro::waitFor(
        updater().showUpdateDialog(QStringLiteral("2.0.0"), QStringLiteral("https://127.0.0.1:1/v.dmg"), true));
    EXPECT_EQ(prompts.alerts[0].buttons[1], QStringLiteral("退出"));
    EXPECT_EQ(quits, 1);

    prompts.answers = {1};
    QCoro::waitFor(
        updater().showUpdateDialog(QStringLiteral("2.0.0"), QStringLiteral("https://127.0.0.1:1/v.dmg"), false));
    EXPECT_EQ(prompts.alerts[1].buttons[1], QStringLiteral("稍后"));
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(prompts.windows.isEmpty());
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(AutoUpdaterTest, WithoutAUsableHttpsAddressTheMainWebAddressOpens)
{
    prompts.answers = {0};
    QCoro::waitFor(updater().showUpdateDialog(QStringLiteral("2.0.0"), std::nullopt, false));
    for (const char* address : {"not a url", "http://127.0.0.1:1/v.dmg", "ftp://127.0.0.1/v.dmg", "file:///etc/passwd"})
        updater().downloadWithProgress(QString::fromUtf8(address), QStringLiteral("2.0.0"));
    EXPECT_EQ(opener.opened, QList<QUrl>(5, QUrl(kMainWeb)));
    EXPECT_TRUE(prompts.windows.isEmpty());
    EXPECT_TRUE(QDir(workParent.path()).isEmpty());
}

TEST_F(AutoUpdaterTest, TheDownloadIsStoredPrivatelyWithProgress)
{
    QSignalSpy started(&hub, &AppEvents::downloadStarted);
    QSignalSpy progress(&hub, &AppEvents::downloadProgress);
    const QByteArray image(3 * 1024 * 1024, 'd');
    const auto path = downloadStored(image);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(started.size(), 1);
    ASSERT_EQ(prompts.windows.size(), 1);
    EXPECT_EQ(prompts.windows[0].version, QStringLiteral("2.4.1"));
    EXPECT_FALSE(prompts.windows[0].closed);

    QFileInfo stored(path);
    EXPECT_EQ(stored.fileName(), QStringLiteral("Velmorand-v2.4.1.dmg"));
    EXPECT_EQ(stored.absolutePath().section(QLatin1Char('/'), 0, -2), QFileInfo(workParent.path()).absoluteFilePath());
    EXPECT_EQ(QFileInfo(stored.absolutePath()).permissions() & 0x0077, 0) << "the directory is private";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), image);

    ASSERT_FALSE(progress.isEmpty());
    double previous = 0;
    for (const auto& signal : progress) {
        EXPECT_GE(signal.first().toDouble(), previous);
        previous = signal.first().toDouble();
    }
    EXPECT_DOUBLE_EQ(previous, 1.0);
}

TEST_F(AutoUpdaterTest, CancellingClosesTheWindowButTheDownloadIsStillStored)
{
    answer(QStringLiteral("/downloads/Velmorand.dmg"), 200, QByteArray(512 * 1024, 'x'));
    QSignalSpy complete(&hub, &AppEvents::downloadComplete);
    updater().downloadWithProgress(imageUrl().toString(), QStringLiteral("2.4.1"));
    ASSERT_EQ(prompts.windows.size(), 1);
    prompts.windows[0].onCancel();
    EXPECT_TRUE(prompts.windows[0].closed);
    ASSERT_TRUE(complete.wait(10000));
    EXPECT_TRUE(QFileInfo::exists(complete.first().first().toString()));
}

TEST_F(AutoUpdaterTest, AnErrorStatusIsNoDiskImage)
{
    answer(QStringLiteral("/downloads/Velmorand.dmg"), 404, "<html>not found</html>");
    QSignalSpy complete(&hub, &AppEvents::downloadComplete);
    const auto url = imageUrl();
    updater().downloadWithProgress(url.toString(), QStringLiteral("2.4.1"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !opener.opened.isEmpty(); }, 10000));
    EXPECT_EQ(opener.opened, QList<QUrl>{url});
    EXPECT_TRUE(prompts.windows[0].closed);
    EXPECT_TRUE(complete.isEmpty());
    EXPECT_TRUE(QDir(workParent.path()).isEmpty()) << "the working directory is removed";
}

TEST_F(AutoUpdaterTest, InstallingSubmitsTheScriptAndQuits)
{
    const auto path = downloadStored("image");
    ASSERT_FALSE(path.isEmpty());
    const auto workDir = QFileInfo(path).absolutePath();
    prompts.windows[0].onInstall();
    EXPECT_TRUE(prompts.windows[0].closed);

    ASSERT_EQ(admin.scripts.size(), 1);
    static const QRegularExpression labels(QStringLiteral("launchctl (?:remove|submit -l) (\\S+)"));
    QStringList seen;
    for (auto it = labels.globalMatch(admin.scripts[0]); it.hasNext();)
        seen.append(it.next().captured(1));
    ASSERT_EQ(seen.size(), 2) << admin.scripts[0].toStdString();
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("\\Acom\\.velmorand\\.updater[0-9A-F]{8}\\z")).match(seen[0]).hasMatch());
    EXPECT_TRUE(admin.scripts[0].contains(UpdateInstaller::scriptText(QStringLiteral("2.4.1"))));
    EXPECT_TRUE(admin.scripts[0].contains(path));
    EXPECT_FALSE(QFileInfo::exists(workDir)) << "the job copied the disk image; the download goes";
    EXPECT_EQ(quits, 1);
}

TEST_F(AutoUpdaterTest, ARefusedSubmissionKeepsTheApplicationRunning)
{
    admin.handler = [](const QString&) { return AdminScriptResult{false, {}, QStringLiteral("User cancelled.")}; };
    CapturedLog log;
    const auto path = downloadStored("image");
    ASSERT_FALSE(path.isEmpty());
    prompts.windows[0].onInstall();
    EXPECT_EQ(admin.scripts.size(), 1);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    EXPECT_TRUE(log.contains(QStringLiteral("[AutoUpdater] 自动安装提权失败: User cancelled.")));
}

TEST_F(AutoUpdaterTest, WithoutAnInstallerTheDownloadIsShownInstead)
{
    const auto path = downloadStored("image", Mode::openDownloadOnly);
    ASSERT_FALSE(path.isEmpty());
    const auto workDir = QFileInfo(path).absolutePath();
    prompts.windows[0].onInstall();
    EXPECT_TRUE(admin.scripts.isEmpty());
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(QFileInfo::exists(workDir + QStringLiteral("/velmorand_auto_install.sh")));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(workDir)});
    ASSERT_EQ(prompts.alerts.size(), 1);
    EXPECT_EQ(prompts.alerts[0].message, QStringLiteral("无法自动安装"));
    EXPECT_TRUE(prompts.alerts[0].informativeText.endsWith(workDir + QStringLiteral("/Velmorand-v2.4.1.dmg")));
}

TEST(UpdateInstaller, JobLabelsAreFreshAndEightCharactersLong)
{
    const auto first = UpdateInstaller::newJobLabel();
    const auto second = UpdateInstaller::newJobLabel();
    EXPECT_TRUE(first.startsWith(QStringLiteral("com.velmorand.updater")));
    EXPECT_EQ(first.size(), QStringLiteral("com.velmorand.updater").size() + 8);
    EXPECT_NE(first, second);
}

TEST(UpdateInstaller, OnlyPlainAbsoluteWorkDirsGoIntoTheScript)
{
    EXPECT_TRUE(UpdateInstaller::isSafeWorkDir(QStringLiteral("/var/folders/x_/T/velmorand-update-a1B2c3")));
    for (const char* bad :
         {"relative/dir", "/tmp/a b", "/tmp/a\"b", "/tmp/$(id)", "/tmp/a\nb", "/tmp/../etc", "/tmp/`x`", ""})
        EXPECT_FALSE(UpdateInstaller::isSafeWorkDir(QString::fromUtf8(bad))) << bad;
}

// The shell's verdict on the text, without running it.
QString syntaxErrors(const QString& text)
{
    QProcess bash;
    bash.start(QStringLiteral("/bin/bash"), {QStringLiteral("-n")});
    bash.write(text.toUtf8());
    bash.closeWriteChannel();
    if (!bash.waitForFinished(10000))
        return QStringLiteral("bash did not end");
    return bash.exitCode() == 0 ? QString()
                                : QString::fromUtf8(bash.readAllStandardError()) + QStringLiteral(" (exit status)");
}

TEST(UpdateInstaller, TheRootJobRunsOnlyItsOwnCopiesFromADirectoryOnlyRootCanWrite)
{
    const QString userDir = QStringLiteral("/private/tmp/velmorand-update-Ab12Cd");
    const QString label = QStringLiteral("com.velmorand.updaterAB12CD34");
    const auto script = UpdateInstaller::scriptText(QStringLiteral("2.4.1"));
    const auto submission = UpdateInstaller::submissionScript(label, userDir, QStringLiteral("2.4.1"));
    EXPECT_EQ(syntaxErrors(script), QString());
    EXPECT_EQ(syntaxErrors(submission), QString());

    // The job directory is made fresh by root; the user's directory is only read, once, for the
    // disk image; the script is carried in the command and written there.
    const auto submissionLines = submission.split(QLatin1Char('\n'));
    EXPECT_TRUE(
        submissionLines.contains(QStringLiteral("WORK=$(/usr/bin/mktemp -d /private/tmp/velmorand-install.XXXXXX)")));
    EXPECT_EQ(submission.count(userDir), 1);
    EXPECT_TRUE(submissionLines.contains(QStringLiteral("/bin/cp -- '") + userDir
                                         + QStringLiteral("/Velmorand-v2.4.1.dmg' \"$WORK/Velmorand-v2.4.1.dmg\"")));
    EXPECT_TRUE(submission.contains(QStringLiteral("<<'VELMORAND_INSTALLER'\n") + script
                                    + QStringLiteral("\nVELMORAND_INSTALLER\n")));
    EXPECT_TRUE(submission.endsWith(QStringLiteral("/bin/launchctl submit -l ") + label
                                    + QStringLiteral(" -- /bin/bash \"$WORK/velmorand_auto_install.sh\"\n")));

    // Every file of the job lies in its own directory.
    EXPECT_TRUE(script.contains(QStringLiteral("\nWORK=\"$(/usr/bin/dirname \"$0\")\"\n")));
    static const QRegularExpression fileVariable(QStringLiteral("^(LOG|DMG|STAGING|MOUNT_POINT)=(.*)$"),
                                                 QRegularExpression::MultilineOption);
    QStringList variables;
    for (auto it = fileVariable.globalMatch(script); it.hasNext();) {
        const auto match = it.next();
        variables.append(match.captured(1));
        EXPECT_TRUE(match.captured(2).startsWith(QStringLiteral("\"$WORK/"))) << match.captured(0).toStdString();
    }
    EXPECT_EQ(variables,
              (QStringList{QStringLiteral("LOG"), QStringLiteral("DMG"), QStringLiteral("STAGING"),
                           QStringLiteral("MOUNT_POINT")}));
    EXPECT_FALSE(script.contains(QStringLiteral("/tmp")));

    // The new copy must carry our team's signature before the old one is removed.
    const auto verification = script.indexOf(
        QStringLiteral(
            "/usr/bin/codesign --verify --deep --strict -R='anchor apple generic and certificate leaf[subject.OU] = \"")
        + UpdateInstaller::teamIdentifier + QStringLiteral("\"' \"$STAGING/$APP_NAME\""));
    EXPECT_GE(verification, 0);
    EXPECT_LT(verification, script.indexOf(QStringLiteral("rm -rf \"$APP_PATH\"")));
    EXPECT_FALSE(script.contains(QStringLiteral("--sign")));
}

// The install script run by bash from a job directory, with stand-ins for the macOS tools that
// record their calls; codesign, called by its absolute path, is missing here and so refuses.
class InstallScriptRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(tools.path()).mkpath(QStringLiteral(".")));
        for (const auto* tool : {"hdiutil", "ditto", "killall", "xattr", "open"})
            stub(QLatin1String(tool), 0);
        stub(QStringLiteral("pgrep"), 1); // the old application has ended
        const auto scriptPath = job.filePath(QStringLiteral("velmorand_auto_install.sh"));
        QFile script(scriptPath);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(UpdateInstaller::scriptText(QStringLiteral("2.4.1")).toUtf8());
    }

    // A tool that records its arguments and ends with the status.
    void stub(const QString& name, int status)
    {
        QFile file(tools.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" >> '%2'\nexit %3\n")
                       .arg(name, calls(), QString::number(status))
                       .toUtf8());
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString calls() const { return tools.filePath(QStringLiteral("calls")); }

    // Runs the script; its exit status, the calls and the log's last line.
    int run()
    {
        QProcess bash;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), tools.path() + QStringLiteral(":/usr/bin:/bin"));
        bash.setProcessEnvironment(environment);
        bash.start(QStringLiteral("/bin/bash"), {job.filePath(QStringLiteral("velmorand_auto_install.sh"))});
        if (!bash.waitForFinished(20000))
            return -1;
        return bash.exitCode();
    }

    QStringList recorded(const QString& fileName) const
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir tools;
    QTemporaryDir job;
};

TEST_F(InstallScriptRun, AFailedMountStopsTheJob)
{
    stub(QStringLiteral("hdiutil"), 1);
    EXPECT_NE(run(), 0);
    const auto calls = recorded(this->calls());
    ASSERT_EQ(calls.size(), 2);
    EXPECT_TRUE(
        calls[1].startsWith(QStringLiteral("hdiutil attach ") + job.path() + QStringLiteral("/Velmorand-v2.4.1.dmg")));
    EXPECT_TRUE(recorded(job.filePath(QStringLiteral("velmorand_install.log")))
                    .last()
                    .endsWith(QStringLiteral("mount failed, aborting")));
}

TEST_F(InstallScriptRun, AnApplicationWithoutOurSignatureIsNeverInstalled)
{
    EXPECT_NE(run(), 0);
    const auto calls = recorded(this->calls());
    EXPECT_TRUE(calls.filter(QStringLiteral("/Applications")).isEmpty()) << calls.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(calls.filter(QStringLiteral("ditto ")).size(), 1);
    EXPECT_TRUE(recorded(job.filePath(QStringLiteral("velmorand_install.log")))
                    .last()
                    .endsWith(QStringLiteral("signature check failed, aborting")));
}

} // namespace

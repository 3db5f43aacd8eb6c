#include "app/auto_updater.h"
#include "app/update_installer.h"
#include "app/version_compare.h"

#include "api/api_service.h"
#include "captured_log.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/notifier.h"
#include "stand_in_service/stand_in_service.h"
#include "support/temp_settings.h"
#include "updater_fakes.h"

#include <QCoreApplication>
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
        {"1.10.0", "1.9.0", 1},  {"1.9.0", "1.10.0", -1}, {"1.2.0", "1.2.0", 0}, {"1.2", "1.2.0", -1},
        {"1.2.0", "1.2", 1},     {"2.0", "1.99.99", 1},   {"1.0.10", "1.0.9", 1}, {"1.02", "1.2", 0},
        {"10", "9", 1},          {"1.0.0", "1.0.0a", -1}, {"", "0", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Versions::compare(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.expected) << c.a << " vs " << c.b;
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
        QSignalSpy complete(&hub, &Notifier::downloadComplete);
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
    Notifier hub;
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
        {"1.9.0", R"({"ok":true,"version":"1.9.0"})"},
        {"1.2.0", R"({"ok":true,"version":"1.2"})"},
        {"1.9.0", R"({"ok":false,"version":"9.0.0"})"},
        {"1.9.0", R"({"ok":true})"},
        {"1.9.0", R"({"ok":true,"version":"9.0.0; rm -rf ~"})"},
    };
    for (const auto& c : cases) {
        for (const bool forceNotify : {false, true}) {
            QCoreApplication::setApplicationVersion(QString::fromUtf8(c.current));
            prompts.alerts.clear();
            checkAgainst(c.answer, forceNotify);
            if (!forceNotify) {
                EXPECT_TRUE(prompts.alerts.isEmpty()) << c.answer.constData();
                continue;
            }
            ASSERT_EQ(prompts.alerts.size(), 1) << c.answer.constData();
            EXPECT_EQ(prompts.alerts[0].message, QStringLiteral("已是最新版本 (") + QString::fromUtf8(c.current) + QLatin1Char(')'));
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
    QCoro::waitFor(updater().showUpdateDialog(QStringLiteral("2.0.0"), QStringLiteral("https://127.0.0.1:1/v.dmg"), true));
    EXPECT_EQ(prompts.alerts[0].buttons[1], QStringLiteral("退出"));
    EXPECT_EQ(quits, 1);

    prompts.answers = {1};
    QCoro::waitFor(updater().showUpdateDialog(QStringLiteral("2.0.0"), QStringLiteral("https://127.0.0.1:1/v.dmg"), false));
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
    QSignalSpy started(&hub, &Notifier::downloadStarted);
    QSignalSpy progress(&hub, &Notifier::downloadProgress);
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
    QSignalSpy complete(&hub, &Notifier::downloadComplete);
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
    QSignalSpy complete(&hub, &Notifier::downloadComplete);
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

    QFile script(workDir + QStringLiteral("/velmorand_auto_install.sh"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(script.readAll()), UpdateInstaller::scriptText(workDir, QStringLiteral("2.4.1")));
    ASSERT_EQ(admin.scripts.size(), 1);
    static const QRegularExpression submission(
        QStringLiteral("\\Alaunchctl remove (com\\.velmorand\\.updater[0-9A-F]{8}) 2>/dev/null; launchctl submit -l "
                       "(com\\.velmorand\\.updater[0-9A-F]{8}) -- /bin/bash (.*)\\z"));
    const auto match = submission.match(admin.scripts[0]);
    ASSERT_TRUE(match.hasMatch()) << admin.scripts[0].toStdString();
    EXPECT_EQ(match.captured(1), match.captured(2));
    EXPECT_EQ(match.captured(3), script.fileName());
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
    for (const char* bad : {"relative/dir", "/tmp/a b", "/tmp/a\"b", "/tmp/$(id)", "/tmp/a\nb", "/tmp/../etc", "/tmp/`x`", ""})
        EXPECT_FALSE(UpdateInstaller::isSafeWorkDir(QString::fromUtf8(bad))) << bad;
}

TEST(UpdateInstaller, TheScriptIsExactlyTheInstaller)
{
    const auto text = UpdateInstaller::scriptText(QStringLiteral("/private/tmp/velmorand-update-Ab12Cd"), QStringLiteral("2.4.1"));
    const auto expected = QString::fromUtf8(R"SCRIPT(#!/bin/bash
set -e
LOG="/private/tmp/velmorand-update-Ab12Cd/velmorand_install.log"
echo "[$(date +%T)] updater started (pid $$)" > "$LOG"
DMG="/private/tmp/velmorand-update-Ab12Cd/Velmorand-v2.4.1.dmg"
APP_NAME="Velmorand.app"
APP_PATH="/Applications/Velmorand.app"
STAGING="/private/tmp/velmorand-update-Ab12Cd/velmorand_update_stage"
echo "[$(date +%T)] target=$APP_PATH" >> "$LOG"

# 1) 等待当前 App 进程退出(最多等 30 秒)
for i in $(seq 1 60); do
  if ! pgrep -x Velmorand >/dev/null 2>&1; then
    break
  fi
  sleep 0.5
done
echo "[$(date +%T)] old app exited (waited ${i}x0.5s)" >> "$LOG"

# 2) 挂载 DMG(失败即中止)
MOUNT_POINT="/private/tmp/velmorand-update-Ab12Cd/vq_mount"
if ! hdiutil attach "$DMG" -nobrowse -readonly -mountpoint "$MOUNT_POINT" >/dev/null 2>&1; then
  echo "[$(date +%T)] mount failed, aborting" >> "$LOG"
  exit 1
fi
echo "[$(date +%T)] mounted at $MOUNT_POINT" >> "$LOG"

# 3) 清空暂存区并解包新 App
rm -rf "$STAGING"
mkdir -p "$STAGING"
ditto "$MOUNT_POINT/$APP_NAME" "$STAGING/$APP_NAME"
echo "[$(date +%T)] extracted new app to staging" >> "$LOG"

# 3.5) 校验新 App 的代码签名(未通过则中止, 旧 App 保持不动)
if ! /usr/bin/codesign --verify --deep --strict "$STAGING/$APP_NAME" >/dev/null 2>&1; then
  echo "[$(date +%T)] signature check failed, aborting" >> "$LOG"
  hdiutil detach "$MOUNT_POINT" 2>/dev/null || true
  rm -rf "$STAGING"
  exit 1
fi
echo "[$(date +%T)] signature verified" >> "$LOG"

# 4) 退出 App(如仍在运行) + 移除旧的 quarantine 属性
killall Velmorand 2>/dev/null || true
sleep 1
xattr -dr com.apple.quarantine "$STAGING/$APP_NAME" 2>/dev/null || true
echo "[$(date +%T)] killed app, cleared quarantine" >> "$LOG"

# 5) 替换 /Applications 里的旧 App
rm -rf "$APP_PATH"
ditto "$STAGING/$APP_NAME" "$APP_PATH"
xattr -dr com.apple.quarantine "$APP_PATH" 2>/dev/null || true
echo "[$(date +%T)] replaced app" >> "$LOG"

# 6) 卸载 DMG + 清理暂存
hdiutil detach "$MOUNT_POINT" 2>/dev/null || true
rm -rf "$STAGING" "$DMG"
echo "[$(date +%T)] cleaned up" >> "$LOG"

# 7) 重启新版本
open "$APP_PATH"
echo "[$(date +%T)] relaunched" >> "$LOG")SCRIPT");
    EXPECT_EQ(text, expected);

    // The shell accepts it as written.
    QProcess bash;
    bash.start(QStringLiteral("/bin/bash"), {QStringLiteral("-n")});
    bash.write(text.toUtf8());
    bash.closeWriteChannel();
    ASSERT_TRUE(bash.waitForFinished(10000));
    EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
}

} // namespace

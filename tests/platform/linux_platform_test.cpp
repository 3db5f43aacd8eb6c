#include "platform/linux/admin_command.h"
#include "platform/linux/autostart_entry.h"
#include "platform/linux/desktop_user_notifier.h"
#include "platform/linux/linux_admin_script_runner.h"
#include "platform/linux/root_trust.h"
#include "platform/linux/stand_ins.h"
#include "platform/login_item.h"
#include "platform/process_runner.h"
#include "platform/user_notifier.h"
#include "support/captured_log.h"
#include "support/scoped_env.h"
#include "support/table_row.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

void writeScript(const QString& path, const QByteArray& body)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A folder of root's own below /run, which only root can change, for the test's life; or, for a
// test that is not root, one of its own user.
class ToolFolder {
public:
    ToolFolder()
    {
        QByteArray pattern = "/run/velmorand-test-XXXXXX";
        if (::geteuid() == 0 && ::mkdtemp(pattern.data()))
            m_rootOwned = QString::fromLocal8Bit(pattern);
    }
    ~ToolFolder()
    {
        if (!m_rootOwned.isEmpty())
            QDir(m_rootOwned).removeRecursively();
    }
    ToolFolder(const ToolFolder&) = delete;
    ToolFolder& operator=(const ToolFolder&) = delete;

    QString path() const { return m_rootOwned.isEmpty() ? m_users.path() : m_rootOwned; }
    QString filePath(const QString& name) const { return path() + QLatin1Char('/') + name; }

private:
    QString m_rootOwned;
    QTemporaryDir m_users;
};

// The process's umask while it lives, the earlier one after.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask)
        : m_earlier(::umask(mask))
    {
    }
    ~ScopedUmask() { ::umask(m_earlier); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_earlier;
};

// The output of a script run as root, by its lines.
QStringList runAs(const AdminCommand::Command& command)
{
    QProcess process;
    process.start(command.program, command.arguments);
    if (!process.waitForFinished(10000))
        return {QStringLiteral("did not end: ") + process.errorString()};
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// A user who can write a directory early on their own search path (or the resources) must not
// get a program of theirs run as root by the next approved script.
TEST(LinuxAdminScriptRunner, RootScriptsGetAFixedSearchPathAndNoneOfTheUsersEnvironment)
{
    ToolFolder tools;
    QTemporaryDir resources;
    QTemporaryDir userBin;
    QDir(resources.path()).mkpath(QStringLiteral("bin"));
    writeScript(tools.filePath(QStringLiteral("networksetup")), "echo \"stand-in $0\"\n");
    for (const auto* name : {"env", "grep", "cat", "networksetup"}) {
        writeScript(resources.filePath(QStringLiteral("bin/") + QLatin1String(name)), "echo planted\n");
        writeScript(userBin.filePath(QLatin1String(name)), "echo planted\n");
    }
    ScopedEnv resourcesDir("VELMORAND_RESOURCES_DIR", resources.path().toUtf8());
    ScopedEnv path("PATH", userBin.path().toUtf8() + ':' + qgetenv("PATH"));
    ScopedEnv secret("USER_SECRET", "leaked");
    ScopedEnv pfState("VELMORAND_PF_STATE_DIR", "/tmp/throwaway-pf");
    const ScopedUmask looseUmask(0);
    const auto macScript = QStringLiteral("umask\nenv\ncommand -v grep\n/usr/sbin/networksetup\n");

    struct Way {
        const char* name;
        QStringList lines;
        bool keepsStandInState;
    };
    // Under the prompt, the prompt program runs the rest of the command line as root; that rest
    // is run here as it stands, with the user's environment around it.
    const auto prompted = AdminCommand::viaPrompt(StandIns::adaptScript(macScript, tools.path()).text,
                                                  QStringLiteral("/usr/bin/pkexec"));
    ASSERT_EQ(prompted.program, QStringLiteral("/usr/bin/pkexec"));
    QList<Way> ways{{"under the prompt", runAs({prompted.arguments.first(), prompted.arguments.mid(1)}), false}};
    if (::geteuid() == 0) {
        const auto direct = LinuxAdminScriptRunner(tools.path()).run(macScript);
        EXPECT_TRUE(direct.succeeded) << direct.error.toStdString();
        ways.append({"as root already", direct.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts), true});
    }

    const auto rootDirectories = AdminCommand::rootSearchPath.split(QLatin1Char(':'));
    for (const auto& way : ways) {
        const auto& lines = way.lines;
        ASSERT_GE(lines.size(), 2) << way.name << ": " << lines.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("PATH=/usr/sbin:/usr/bin:/sbin:/bin"))) << way.name;
        EXPECT_EQ(lines.first(), QStringLiteral("0022")) << way.name << ": root's files get root's modes";
        EXPECT_FALSE(lines.contains(QStringLiteral("planted"))) << way.name;
        EXPECT_TRUE(lines.filter(QStringLiteral("leaked")).isEmpty()) << way.name;
        EXPECT_EQ(lines.contains(QStringLiteral("VELMORAND_PF_STATE_DIR=/tmp/throwaway-pf")), way.keepsStandInState)
            << way.name;
        EXPECT_TRUE(lines.filter(QStringLiteral("VELMORAND_RESOURCES_DIR")).isEmpty()) << way.name;
        EXPECT_TRUE(rootDirectories.contains(QFileInfo(lines.at(lines.size() - 2)).path()))
            << way.name << ": " << lines.at(lines.size() - 2).toStdString();
        EXPECT_EQ(lines.last(), QStringLiteral("stand-in ") + tools.filePath(QStringLiteral("networksetup")))
            << way.name;
    }
}

// A script whose own last command exits as the prompt does when it refuses (127: a command not
// found) failed; the administrator's rights were given. Run under stand-ins of the prompt
// program that approve, dismiss or refuse.
TEST(LinuxAdminScriptRunner, TellsThePromptsRefusalFromTheScriptsOwnFailure)
{
    QTemporaryDir prompts;
    const auto approving = prompts.filePath(QStringLiteral("approving"));
    const auto dismissed = prompts.filePath(QStringLiteral("dismissed"));
    const auto refusing = prompts.filePath(QStringLiteral("refusing"));
    writeScript(approving, "exec \"$@\"\n");
    writeScript(dismissed, "exit 126\n");
    writeScript(refusing, "exit 127\n");
    using Refusal = AdminScriptResult::Refusal;
    struct Case {
        QString prompt;
        QString script;
        bool succeeded;
        Refusal refusal;
        QString output;
    };
    const Case cases[] = {
        {approving, QStringLiteral("echo \"it's $((1 + 1)) \\$1\"\n"), true, Refusal::none, QStringLiteral("it's 2 $1\n")},
        {approving, QStringLiteral("exit 127\n"), false, Refusal::none, {}},
        {approving, QStringLiteral("exit 126\n"), false, Refusal::none, {}},
        {approving, QStringLiteral("/nonexistent/velmorand-tool\n"), false, Refusal::none, {}},
        {approving, QStringLiteral("exit 3\n"), false, Refusal::none, {}},
        {dismissed, QStringLiteral("true\n"), false, Refusal::notAuthorized, {}},
        {refusing, QStringLiteral("true\n"), false, Refusal::notAuthorized, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        const auto result = AdminCommand::run(AdminCommand::viaPrompt(c.script, c.prompt), true);
        EXPECT_EQ(result.succeeded, c.succeeded) << result.error.toStdString();
        EXPECT_EQ(result.refusal, c.refusal);
        EXPECT_EQ(result.output, c.output);
    }
}

// A user who can change a stand-in, or a folder above it, must not have it run as root.
TEST(LinuxAdminScriptRunner, RunsOnlyStandInsThatRootAloneCanChange)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "files of root and of other users are made by root only";
    const auto chmodded = [](QFileDevice::Permissions added) {
        return [added](const QString&, const QString& tool) {
            QFile::setPermissions(tool, QFile::permissions(tool) | added);
        };
    };
    const auto ownedByNobody
        = [](const QString& path) { return ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0; };
    QTemporaryDir elsewhere;
    ToolFolder rootsElsewhere;
    struct Case {
        const char* what;
        std::function<void(const QString& folder, const QString& tool)> spoil;
        bool runs;
    };
    const Case cases[] = {
        {"root's alone", [](const QString&, const QString&) {}, true},
        {"the tool writable by its group", chmodded(QFileDevice::WriteGroup), false},
        {"the tool writable by everyone", chmodded(QFileDevice::WriteOther), false},
        {"the tool of another user", [&](const QString&, const QString& tool) { ASSERT_TRUE(ownedByNobody(tool)); },
         false},
        {"its folder writable by everyone",
         [](const QString& folder, const QString&) {
             QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::WriteOther);
         },
         false},
        {"its folder of another user",
         [&](const QString& folder, const QString&) { ASSERT_TRUE(ownedByNobody(folder)); }, false},
        {"a link to a tool in a folder everyone can write",
         [&](const QString&, const QString& tool) {
             const auto target = elsewhere.filePath(QStringLiteral("networksetup"));
             QFile::remove(target);
             ASSERT_TRUE(QFile::rename(tool, target));
             ASSERT_TRUE(QFile::link(target, tool));
         },
         false},
        {"a link, in a folder of another user, to a tool of root's",
         [&](const QString& folder, const QString& tool) {
             const auto target = rootsElsewhere.filePath(QStringLiteral("networksetup"));
             QFile::remove(target);
             ASSERT_TRUE(QFile::rename(tool, target));
             ASSERT_TRUE(QFile::link(target, tool));
             ASSERT_TRUE(ownedByNobody(folder));
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ToolFolder folder;
        const auto tool = folder.filePath(QStringLiteral("networksetup"));
        writeScript(tool, "echo ran\n");
        c.spoil(folder.path(), tool);
        const auto result = LinuxAdminScriptRunner(folder.path()).run(QStringLiteral("/usr/sbin/networksetup\n"));
        EXPECT_EQ(result.succeeded, c.runs) << result.error.toStdString();
        EXPECT_EQ(result.output, c.runs ? QStringLiteral("ran\n") : QString());
        EXPECT_EQ(result.error.startsWith(QStringLiteral("not run as root: ")), !c.runs) << result.error.toStdString();
        EXPECT_EQ(result.refusal,
                  c.runs ? AdminScriptResult::Refusal::none : AdminScriptResult::Refusal::untrustedInstall);
    }
}

// A link checked and then run by its own path could be turned elsewhere in between: the script
// runs the file the check examined, by that file's path.
TEST(LinuxAdminScriptRunner, RunsTheVeryFileItCheckedNotALinkToIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the script runs as root here only when the test is root";
    ToolFolder tools;
    ToolFolder real;
    const auto file = real.filePath(QStringLiteral("networksetup"));
    const auto link = tools.filePath(QStringLiteral("networksetup"));
    writeScript(file, "echo \"$0\"\n");
    ASSERT_TRUE(QFile::link(file, link));
    QString why;
    EXPECT_FALSE(RootTrust::onlyRootCanChange(link, &why)) << "a link is not the file it leads to";
    EXPECT_TRUE(RootTrust::onlyRootCanChange(file, &why)) << why.toStdString();

    const auto result = LinuxAdminScriptRunner(tools.path()).run(QStringLiteral("/usr/sbin/networksetup\n"));
    EXPECT_TRUE(result.succeeded) << result.error.toStdString();
    EXPECT_EQ(result.output, file + QLatin1Char('\n'));
}

// The environment may move the user's own tools, never those a root script runs.
TEST(LinuxAdminScriptRunner, NeverTakesItsStandInsFromTheEnvironment)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the script runs as root here only when the test is root";
    ToolFolder planted;
    ASSERT_TRUE(QDir(planted.path()).mkpath(QStringLiteral("bin")));
    writeScript(planted.filePath(QStringLiteral("bin/velmorand-probe")), "echo planted\n");
    QString why;
    ASSERT_TRUE(RootTrust::onlyRootCanChange(planted.filePath(QStringLiteral("bin/velmorand-probe")), &why))
        << why.toStdString();
    const auto bundled = StandIns::rootDirectory();
    ScopedEnv resourcesDir("VELMORAND_RESOURCES_DIR", planted.path().toUtf8());
    EXPECT_EQ(StandIns::directory(), planted.filePath(QStringLiteral("bin"))) << "the user's tools follow it";
    EXPECT_EQ(StandIns::rootDirectory(), bundled);
    const auto result = AdminScriptRunner::makeNative()->run(QStringLiteral("/usr/sbin/velmorand-probe 2>/dev/null\n"));
    EXPECT_FALSE(result.output.contains(QStringLiteral("planted")));
}

TEST(LinuxProcessRunner, HandsMacToolsToTheirStandInsAndKeepsOthers)
{
    QTemporaryDir resources;
    QDir(resources.path()).mkpath(QStringLiteral("bin"));
    writeScript(resources.filePath(QStringLiteral("bin/networksetup")), "echo stand-in \"$@\"\n");
    ScopedEnv env("VELMORAND_RESOURCES_DIR", resources.path().toUtf8());

    const auto native = ProcessRunner::makeNative();
    auto& runner = *native;
    const auto standIn
        = runner.run({QStringLiteral("/usr/sbin/networksetup"), {QStringLiteral("-listallnetworkservices")}});
    EXPECT_TRUE(standIn.succeeded());
    EXPECT_EQ(standIn.output, QByteArray("stand-in -listallnetworkservices\n"));

    const auto real = runner.run({QStringLiteral("/bin/sh"),
                                  {QStringLiteral("-c"), QStringLiteral("echo $FOO; exit 3")},
                                  {},
                                  {{QStringLiteral("FOO"), QStringLiteral("bar")}}});
    EXPECT_EQ(real.exitCode, 3);
    EXPECT_EQ(real.output, QByteArray("bar\n"));

    const auto missing = runner.run({QStringLiteral("/usr/sbin/no-such-tool"), {}});
    EXPECT_FALSE(missing.started);
}

TEST(LinuxProcessRunner, StopsACommandAtItsTimeLimit)
{
    ProcessRequest request{QStringLiteral("/bin/sleep"), {QStringLiteral("5")}};
    request.timeout = std::chrono::milliseconds(200);
    const auto result = ProcessRunner::makeNative()->run(request);
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.succeeded());
}

TEST(XdgLoginItem, WritesAndRemovesTheAutostartEntry)
{
    QTemporaryDir config;
    ScopedEnv env("XDG_CONFIG_HOME", config.path().toUtf8());
    const auto native = LoginItem::makeNative();
    auto& item = *native;
    ASSERT_FALSE(item.isEnabled());
    ASSERT_TRUE(item.setEnabled(true));
    EXPECT_TRUE(item.isEnabled());
    QFile entry(config.filePath(QStringLiteral("autostart/velmorand.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    // It names this very program, so an installed copy starts itself, not the one it was built as.
    EXPECT_EQ(entry.readAll(), autostartEntry(QCoreApplication::applicationFilePath()));
    ASSERT_TRUE(item.setEnabled(false));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false));
}

// Notification servers read the body as markup: a node's name in it must not be read as such.
TEST(DesktopUserNotifier, PostsTheBodyEscapedForMarkupAndTheTitleAsItIs)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString received = dir.filePath(QStringLiteral("received"));
    writeScript(dir.filePath(QStringLiteral("notify-send")), "printf '%s\\n' \"$@\" > '" + received.toUtf8() + "'\n");
    const ScopedEnv path("PATH", QFile::encodeName(dir.path()));

    const QString body = QStringLiteral("已连接到 <b>x</b> & <img src=\"file:///etc/hostname\">");
    UserNotifier::makeNative()->post(QStringLiteral("Velmorand"), body);

    const QString escaped
        = QStringLiteral("已连接到 &lt;b&gt;x&lt;/b&gt; &amp; &lt;img src=\"file:///etc/hostname\"&gt;");
    const QStringList expected{QStringLiteral("--app-name=Velmorand"), QStringLiteral("Velmorand"), escaped};
    QStringList lines;
    const bool arrived = QTest::qWaitFor(
        [&] {
            QFile file(received);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            const QString content = QString::fromUtf8(file.readAll());
            lines = content.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            return content.count(QLatin1Char('\n')) >= expected.size();
        },
        10000);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(lines, expected);
}

// Without a notification service notify-send fails at every notice (connect, disconnect…): the
// terminal hears of it once, and later notices are still tried.
TEST(DesktopUserNotifier, LogsAFailingNoticeOnceAndGoesOnTrying)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString runs = dir.filePath(QStringLiteral("runs"));
    writeScript(dir.filePath(QStringLiteral("notify-send")),
                "echo run >> '" + runs.toUtf8()
                    + "'\necho 'GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown: no notification service' >&2\n"
                      "exit 1\n");
    const ScopedEnv path("PATH", QFile::encodeName(dir.path()));
    const CapturedLog log;

    DesktopUserNotifier notifier;
    for (const auto* body : {"已连接到 香港 01", "已断开连接", "已连接到 东京 02"})
        notifier.post(QStringLiteral("Velmorand"), QString::fromUtf8(body));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notifier.hasNoticesUnderWay(); }, 10000));

    QFile ran(runs);
    ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
    EXPECT_EQ(ran.readAll().count('\n'), 3);
    ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(log.lines().front().contains(
        QStringLiteral("GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown: no notification service")));
}

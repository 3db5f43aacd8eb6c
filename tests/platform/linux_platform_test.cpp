#include "platform/linux/admin_command.h"
#include "platform/linux/autostart_entry.h"
#include "platform/linux/linux_admin_script_runner.h"
#include "platform/linux/stand_ins.h"
#include "platform/login_item.h"
#include "platform/process_runner.h"
#include "platform/user_notifier.h"
#include "support/scoped_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    QTemporaryDir resources;
    QTemporaryDir userBin;
    QDir(resources.path()).mkpath(QStringLiteral("bin"));
    writeScript(resources.filePath(QStringLiteral("bin/networksetup")), "echo \"stand-in $0\"\n");
    for (const auto* name : {"env", "grep", "cat"}) {
        writeScript(resources.filePath(QStringLiteral("bin/") + QLatin1String(name)), "echo planted\n");
        writeScript(userBin.filePath(QLatin1String(name)), "echo planted\n");
    }
    ScopedEnv resourcesDir("VELMORAND_RESOURCES_DIR", resources.path().toUtf8());
    ScopedEnv path("PATH", userBin.path().toUtf8() + ':' + qgetenv("PATH"));
    ScopedEnv secret("USER_SECRET", "leaked");
    ScopedEnv pfState("VELMORAND_PF_STATE_DIR", "/tmp/throwaway-pf");
    const auto macScript = QStringLiteral("env\ncommand -v grep\n/usr/sbin/networksetup\n");

    struct Way {
        const char* name;
        QStringList lines;
        bool keepsStandInState;
    };
    // Under the prompt, the prompt program runs the rest of the command line as root; that rest
    // is run here as it stands, with the user's environment around it.
    const auto prompted = AdminCommand::viaPrompt(StandIns::adaptScript(macScript), QStringLiteral("/usr/bin/pkexec"));
    ASSERT_EQ(prompted.program, QStringLiteral("/usr/bin/pkexec"));
    QList<Way> ways{{"under the prompt", runAs({prompted.arguments.first(), prompted.arguments.mid(1)}), false}};
    if (::geteuid() == 0) {
        const auto direct = LinuxAdminScriptRunner().run(macScript);
        EXPECT_TRUE(direct.succeeded) << direct.error.toStdString();
        ways.append({"as root already", direct.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts), true});
    }

    const auto rootDirectories = AdminCommand::rootSearchPath.split(QLatin1Char(':'));
    for (const auto& way : ways) {
        const auto& lines = way.lines;
        ASSERT_GE(lines.size(), 2) << way.name << ": " << lines.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("PATH=/usr/sbin:/usr/bin:/sbin:/bin"))) << way.name;
        EXPECT_FALSE(lines.contains(QStringLiteral("planted"))) << way.name;
        EXPECT_TRUE(lines.filter(QStringLiteral("leaked")).isEmpty()) << way.name;
        EXPECT_EQ(lines.contains(QStringLiteral("VELMORAND_PF_STATE_DIR=/tmp/throwaway-pf")), way.keepsStandInState)
            << way.name;
        EXPECT_TRUE(lines.filter(QStringLiteral("VELMORAND_RESOURCES_DIR")).isEmpty()) << way.name;
        EXPECT_TRUE(rootDirectories.contains(QFileInfo(lines.at(lines.size() - 2)).path()))
            << way.name << ": " << lines.at(lines.size() - 2).toStdString();
        EXPECT_EQ(lines.last(), QStringLiteral("stand-in ") + resources.filePath(QStringLiteral("bin/networksetup")))
            << way.name;
    }
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

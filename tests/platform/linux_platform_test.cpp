#include "platform/login_item.h"
#include "platform/process_runner.h"
#include "support/scoped_env.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

} // namespace

TEST(LinuxProcessRunner, HandsMacToolsToTheirStandInsAndKeepsOthers)
{
    QTemporaryDir resources;
    QDir(resources.path()).mkpath(QStringLiteral("bin"));
    writeScript(resources.filePath(QStringLiteral("bin/networksetup")), "echo stand-in \"$@\"\n");
    ScopedEnv env("VELMORAND_RESOURCES_DIR", resources.path().toUtf8());

    const auto native = ProcessRunner::makeNative();
    auto& runner = *native;
    const auto standIn = runner.run({QStringLiteral("/usr/sbin/networksetup"), {QStringLiteral("-listallnetworkservices")}});
    EXPECT_TRUE(standIn.succeeded());
    EXPECT_EQ(standIn.output, QByteArray("stand-in -listallnetworkservices\n"));

    const auto real = runner.run({QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo $FOO; exit 3")}, {}, {{QStringLiteral("FOO"), QStringLiteral("bar")}}});
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
    EXPECT_TRUE(entry.readAll().contains("Exec="));
    ASSERT_TRUE(item.setEnabled(false));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(item.setEnabled(false));
}

#include "connection/child_process.h"
#include "support/child_processes.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace {

const char kCrashingParent[] = "VELMORAND_TEST_CRASHING_PARENT";

TEST(LinuxChildProcess, ChildrenEndWhenTheApplicationDies)
{
    if (qEnvironmentVariableIsSet(kCrashingParent)) {
        // This test binary run again as the application: it starts a long-running child, leaves
        // its process id in the named file and crashes.
        const auto launcher = ChildProcessLauncher::makeNative();
        auto child = launcher->create({QStringLiteral("/bin/sleep"), {QStringLiteral("120")}});
        if (child->start()) {
            QFile file(qEnvironmentVariable(kCrashingParent));
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray::number(child->processId()));
        }
        std::abort();
    }
    QTemporaryDir dir;
    const auto pidFile = dir.filePath(QStringLiteral("pid"));
    QProcess application;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kCrashingParent), pidFile);
    application.setProcessEnvironment(environment);
    application.setStandardOutputFile(QProcess::nullDevice());
    application.setStandardErrorFile(QProcess::nullDevice());
    application.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--gtest_filter=LinuxChildProcess.ChildrenEndWhenTheApplicationDies")});
    ASSERT_TRUE(application.waitForFinished(10000));
    EXPECT_EQ(application.exitStatus(), QProcess::CrashExit);

    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto pid = file.readAll().toLongLong();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processAlive(pid); }, 5000))
        << "process " << pid << " outlived the application";
    if (processAlive(pid))
        ::kill(pid_t(pid), SIGKILL);
}

} // namespace

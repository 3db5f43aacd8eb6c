#include "../admin_script_runner.h"
#include "stand_ins.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// Runs the script with /bin/sh as root: directly when we are root, else through pkexec, which
// shows the desktop's administrator prompt. The stand-ins come first on the PATH.
class LinuxAdminScriptRunner final : public AdminScriptRunner {
public:
    AdminScriptResult run(const QString& script) override
    {
        QProcess process;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PATH"), StandIns::directory() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        process.setProcessEnvironment(env);
        if (::geteuid() == 0) {
            process.setProgram(QStringLiteral("/bin/sh"));
            process.setArguments({QStringLiteral("-c"), script});
        } else {
            const auto pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
            if (pkexec.isEmpty())
                return {false, {}, QStringLiteral("no administrator prompt (pkexec) available")};
            process.setProgram(pkexec);
            process.setArguments({QStringLiteral("/usr/bin/env"),
                                  QStringLiteral("PATH=") + env.value(QStringLiteral("PATH")),
                                  QStringLiteral("/bin/sh"), QStringLiteral("-c"), script});
        }
        process.start();
        if (!process.waitForStarted() || !process.waitForFinished(-1))
            return {false, {}, process.errorString()};
        const auto out = QString::fromUtf8(process.readAllStandardOutput());
        const auto err = QString::fromUtf8(process.readAllStandardError());
        const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        return {ok, out, ok ? QString() : err};
    }
};

} // namespace

AdminScriptRunner& AdminScriptRunner::shared()
{
    static LinuxAdminScriptRunner runner;
    return runner;
}

#include "../admin_script_runner.h"
#include "stand_ins.h"

#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// Runs the script with /bin/sh as root: directly when we are root, else through pkexec, which
// shows the desktop's administrator prompt. The stand-ins come first on the PATH and replace the
// macOS tool paths the script names.
class LinuxAdminScriptRunner final : public AdminScriptRunner {
public:
    AdminScriptResult run(const QString& macScript) override
    {
        QProcess process;
        const auto env = StandIns::environment();
        process.setProcessEnvironment(env);
        // The script names the macOS tools by their paths; ours stand in for them.
        const auto script = StandIns::adaptScript(macScript);
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

std::unique_ptr<AdminScriptRunner> AdminScriptRunner::makeNative()
{
    return std::make_unique<LinuxAdminScriptRunner>();
}

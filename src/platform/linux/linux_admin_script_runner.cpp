#include "linux_admin_script_runner.h"

#include "admin_command.h"
#include "root_trust.h"
#include "stand_ins.h"

#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

LinuxAdminScriptRunner::LinuxAdminScriptRunner(QString standInDirectory)
    : m_standInDirectory(std::move(standInDirectory))
{
}

AdminScriptResult LinuxAdminScriptRunner::run(const QString& macScript)
{
    const auto adapted = StandIns::adaptScript(macScript, m_standInDirectory);
    for (const auto& standIn : adapted.standIns) {
        QString why;
        if (!RootTrust::onlyRootCanChange(standIn, &why)) {
            const QString error = QStringLiteral("not run as root: ") + why
                + QStringLiteral(" (only a system-wide install has tools that root alone can change)");
            qWarning("[AdminScript] %s", qPrintable(error));
            return {false, {}, error};
        }
    }
    const auto& script = adapted.text;
    AdminCommand::Command command;
    if (::geteuid() == 0) {
        command = AdminCommand::forScript(script);
    } else {
        // Not looked up on the user's search path either.
        const auto pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"),
                                                           {QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
        if (pkexec.isEmpty())
            return {false, {}, QStringLiteral("no administrator prompt (pkexec) available")};
        command = AdminCommand::viaPrompt(script, pkexec);
    }
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.start();
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return {false, {}, process.errorString()};
    const auto out = QString::fromUtf8(process.readAllStandardOutput());
    const auto err = QString::fromUtf8(process.readAllStandardError());
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return {ok, out, ok ? QString() : err};
}

std::unique_ptr<AdminScriptRunner> AdminScriptRunner::makeNative()
{
    return std::make_unique<LinuxAdminScriptRunner>(StandIns::rootDirectory());
}

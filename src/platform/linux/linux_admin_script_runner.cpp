#include "linux_admin_script_runner.h"

#include "admin_command.h"
#include "root_trust.h"
#include "stand_ins.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

LinuxAdminScriptRunner::LinuxAdminScriptRunner(QString standInDirectory)
    : m_standInDirectory(std::move(standInDirectory))
{
}

AdminScriptResult LinuxAdminScriptRunner::run(const QString& macScript)
{
    // The script names each stand-in by its own path, links resolved, and exactly that path is
    // checked. The folder they are found in is checked too: a link in it is its owner's choice of
    // what root runs.
    const auto folder = QFileInfo(m_standInDirectory).canonicalFilePath();
    const auto adapted = StandIns::adaptScript(macScript, folder);
    const auto checked = adapted.standIns.isEmpty() ? QStringList() : QStringList{folder} + adapted.standIns;
    for (const auto& standIn : checked) {
        QString why;
        if (!RootTrust::onlyRootCanChange(standIn, &why)) {
            const QString error = QStringLiteral("not run as root: ") + why
                + QStringLiteral(" (only a system-wide install has tools that root alone can change)");
            qWarning("[AdminScript] %s", qPrintable(error));
            return {false, {}, error, AdminScriptResult::Refusal::untrustedInstall};
        }
    }
    const auto& script = adapted.text;
    AdminCommand::Command command;
    const bool prompted = ::geteuid() != 0;
    if (!prompted) {
        command = AdminCommand::forScript(script);
    } else {
        // Not looked up on the user's search path either.
        const auto pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"),
                                                           {QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
        if (pkexec.isEmpty())
            return {false,
                    {},
                    QStringLiteral("no administrator prompt (pkexec) available"),
                    AdminScriptResult::Refusal::notAuthorized};
        command = AdminCommand::viaPrompt(script, pkexec);
    }
    return AdminCommand::run(command, prompted);
}

std::unique_ptr<AdminScriptRunner> AdminScriptRunner::makeNative()
{
    return std::make_unique<LinuxAdminScriptRunner>(StandIns::rootDirectory());
}

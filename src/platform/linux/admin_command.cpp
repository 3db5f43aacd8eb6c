#include "admin_command.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace AdminCommand {

namespace {

const QString kEnv = QStringLiteral("/usr/bin/env");
const QString kShell = QStringLiteral("/bin/sh");

// Where the stand-ins keep their state, when this process moved it.
const QStringList kStandInStateVariables{QStringLiteral("VELMORAND_STATE_DIR"),
                                         QStringLiteral("VELMORAND_PF_STATE_DIR"), QStringLiteral("GSETTINGS_BACKEND")};

QStringList minimalEnvironment()
{
    return {QStringLiteral("PATH=") + rootSearchPath, QStringLiteral("HOME=/root"), QStringLiteral("LANG=C.UTF-8")};
}

// Root's shell: what it creates gets root's modes, not those of the caller's umask; the script,
// as its own shell's text, unchanged; its status passed on, except the prompt's two.
const QString kRootShell = QStringLiteral("umask 022\n"
                                          "/bin/sh -c \"$1\"\n"
                                          "status=$?\n"
                                          "case $status in 126|127) exit 1 ;; esac\n"
                                          "exit $status\n");

Command shellWith(const QStringList& environment, const QString& script)
{
    return {kEnv,
            QStringList{QStringLiteral("-i")} + environment
                + QStringList{kShell, QStringLiteral("-c"), kRootShell, QStringLiteral("velmorand-root"), script}};
}

// pkexec ends with 126 when the user dismissed its dialog and 127 when no authorisation was
// obtained; the script never got to run then.
AdminScriptResult::Refusal refusalByPrompt(int exitCode)
{
    return exitCode == 126 || exitCode == 127 ? AdminScriptResult::Refusal::notAuthorized
                                              : AdminScriptResult::Refusal::none;
}

} // namespace

Command forScript(const QString& script)
{
    auto environment = minimalEnvironment();
    const auto own = QProcessEnvironment::systemEnvironment();
    for (const auto& name : kStandInStateVariables) {
        if (own.contains(name))
            environment.append(name + QLatin1Char('=') + own.value(name));
    }
    return shellWith(environment, script);
}

Command viaPrompt(const QString& script, const QString& promptProgram)
{
    const auto root = shellWith(minimalEnvironment(), script);
    return {promptProgram, QStringList{root.program} + root.arguments};
}

AdminScriptResult run(const Command& command, bool prompted)
{
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.start();
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return {false, {}, process.errorString()};
    const auto out = QString::fromUtf8(process.readAllStandardOutput());
    const auto err = QString::fromUtf8(process.readAllStandardError());
    const bool ended = process.exitStatus() == QProcess::NormalExit;
    if (ended && process.exitCode() == 0)
        return {true, out, {}};
    const auto refusal = prompted && ended ? refusalByPrompt(process.exitCode()) : AdminScriptResult::Refusal::none;
    return {false, out, err, refusal};
}

} // namespace AdminCommand

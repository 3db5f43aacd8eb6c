#include "admin_command.h"

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

// What root's shell creates gets root's modes, not those of the caller's umask.
const QString kRootUmask = QStringLiteral("umask 022\n");

Command shellWith(const QStringList& environment, const QString& script)
{
    return {kEnv,
            QStringList{QStringLiteral("-i")} + environment
                + QStringList{kShell, QStringLiteral("-c"), kRootUmask + script}};
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

} // namespace AdminCommand

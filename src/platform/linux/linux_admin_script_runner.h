#pragma once

#include "../admin_script_runner.h"

#include <QString>

// Runs the script with /bin/sh as root: directly when we are root, else through pkexec, which
// shows the desktop's administrator prompt. The root shell gets a fixed search path and no
// environment of the user's; the stand-ins of the directory replace the macOS tool paths the
// script names, by their own paths with links resolved: what runs is exactly the file that was
// checked. A script that would run a stand-in another user could have changed, or one found in a
// folder another user could change, is not run.
class LinuxAdminScriptRunner final : public AdminScriptRunner {
public:
    explicit LinuxAdminScriptRunner(QString standInDirectory);
    AdminScriptResult run(const QString& macScript) override;

private:
    const QString m_standInDirectory;
};

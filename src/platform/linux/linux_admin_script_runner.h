#pragma once

#include "../admin_script_runner.h"

// Runs the script with /bin/sh as root: directly when we are root, else through pkexec, which
// shows the desktop's administrator prompt. The root shell gets a fixed search path and no
// environment of the user's; the stand-ins replace the macOS tool paths the script names.
class LinuxAdminScriptRunner final : public AdminScriptRunner {
public:
    AdminScriptResult run(const QString& macScript) override;
};

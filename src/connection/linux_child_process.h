#pragma once

#include "child_process.h"

// Children as QProcess runs them, with the stand-ins in place of the macOS programs; each ends
// with the application (its parent-death signal).
class LinuxChildProcessLauncher final : public ChildProcessLauncher {
public:
    std::unique_ptr<ChildProcess> create(const ProcessRequest& request) override;
};

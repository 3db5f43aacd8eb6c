#pragma once

#include "connection/child_process.h"
#include "connection/vpn_manager.h"
#include "connection/xray_manager.h"
#include "platform/process_runner.h"
#include "support/root_script_runner.h"

#include <QStringList>

#include <memory>

// The connection manager as the application makes it: the wrapped v2ray as its core, the system's
// commands and administrator scripts run for real (through the stand-ins on Linux).
struct RealEngine {
    RealEngine(SettingsStore& settings, const XrayManager::Options& options, VpnTimings timings = {})
        : xray(settings, *launcher, options)
        , manager(settings, *processes, xray, *adminScripts, std::move(timings))
    {
    }

    const std::unique_ptr<ChildProcessLauncher> launcher = ChildProcessLauncher::makeNative();
    const std::unique_ptr<ProcessRunner> processes = ProcessRunner::makeNative();
    const std::unique_ptr<AdminScriptRunner> adminScripts = rootScriptRunner();
    XrayManager xray;
    VpnManager manager;
};

// The connection log's messages, oldest first.
inline QStringList logMessages(const VpnManager& manager)
{
    QStringList messages;
    for (const auto& entry : manager.connectionLog())
        messages.prepend(entry.message);
    return messages;
}

#pragma once

#include "connection/vpn_manager.h"
#include "connection/xray_test_fixture.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/fakes/recording_process_runner.h"

// The real connection engine with its commands, administrator scripts and proxy cores only
// recorded: the start-up rules the screens' tests run take over or clear through it what an
// earlier run left. The screens themselves see a FakeVpnConnection.
struct RecordingEngine {
    explicit RecordingEngine(SettingsStore& settings)
        : xray(settings, core.launcher, core.options())
        , vpn(settings, processes, xray, admin)
    {
    }

    // The proxy core's fake children and directories.
    XrayFixture core;
    RecordingProcessRunner processes;
    RecordingAdminScriptRunner admin;
    XrayManager xray;
    VpnManager vpn;
};

#pragma once

#include "account_test_support.h"
#include "app/app_events.h"
#include "app_state_world.h"
#include "connection/ping_service.h"
#include "connection/vpn_manager.h"
#include "connection/xray_test_fixture.h"
#include "platform/fakes/fake_biometric_auth.h"
#include "platform/fakes/fake_login_item.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/language_manager.h"
#include "support/fake_vpn_connection.h"
#include "support/gated_process_runner.h"
#include "support/local_http_server.h"
#include "ui/account/settings_view.h"
#include "ui_world.h"

#include <QTemporaryDir>

#include <memory>

// A task that is already over: a fake step that answers at once.
inline QCoro::Task<> doneAtOnce() { co_return; }

// The settings form's world: one settings store read by a proxy-core manager over fake children,
// a connection that shows what the test sets and records what the form asks, an application state
// whose service is never reached, a language manager, a login item and a biometric sensor that
// answer as told, the service's web site on a local HTTP server, and a directory of desktop
// entries. For what a setting does in the program, the form can work on a real connection engine
// over the same settings instead, with recorded commands and administrator scripts.
class SettingsWorld {
public:
    SettingsWorld();
    ~SettingsWorld();

    SettingsView::Services services();
    SettingsView& makeView();

    // A node on 127.0.0.1 whose port is the web server's, so its latency can be measured.
    Node localNode() const;
    // The connection reports itself connected to `node`.
    void connect(const Node& node);
    // Connects through the engine for real (the core is a fake child) and waits for it.
    void connectEngine(const Node& node);
    // Another engine over the same settings, as the next launch makes it.
    std::unique_ptr<VpnManager> nextLaunchEngine();
    // Writes a desktop entry into the applications directory.
    void addDesktopEntry(const QString& fileName, const QString& text) const;
    // An executable file in the applications directory, with a desktop entry named `name` that
    // starts it; returns the program's canonical path.
    QString addApplication(const QString& name) const;

    XrayFixture core;
    SettingsStore& settings;
    std::unique_ptr<XrayManager> xray;
    GatedProcessRunner processes;
    RecordingAdminScriptRunner admin;
    std::unique_ptr<VpnManager> engine;
    FakeVpnConnection vpn;
    // What the form works on: `vpn` unless a test points it at the engine.
    VpnConnection* formConnection = &vpn;
    AppStateWorld appStateWorld;
    AppState& appState;
    AppEvents notifier;
    LanguageManager languages;
    FakeLoginItem loginItem;
    FakeBiometricAuth biometric;
    PingService ping;
    RecordingUrlOpener urlOpener;
    LocalHttpServer web;
    QTemporaryDir applications;
    int updateChecks = 0;
    int signInRequests = 0;
    std::unique_ptr<SettingsView> view;
};

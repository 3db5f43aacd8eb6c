#pragma once

#include "app/app_context.h"
#include "app/updater_fakes.h"
#include "platform/fakes/fake_biometric_auth.h"
#include "platform/fakes/fake_login_item.h"
#include "platform/fakes/memory_secret_store.h"
#include "platform/fakes/recording_admin_script_runner.h"
#include "platform/fakes/recording_process_runner.h"
#include "platform/fakes/recording_user_notifier.h"
#include "support/recording_child_launcher.h"

#include <QTemporaryDir>

// The application context's environment over fakes, its files in `dir`, its service at
// `domainPool`: nothing the context builds reaches the system.
inline AppContext::Environment fakeAppEnvironment(const QTemporaryDir& dir, QStringList domainPool)
{
    XrayManager::Options xray;
    xray.resourcesDir = dir.filePath(QStringLiteral("resources"));
    xray.configDir = dir.filePath(QStringLiteral("xray"));
    return {.settingsPath = dir.filePath(QStringLiteral("settings.json")),
            .processes = std::make_unique<RecordingProcessRunner>(),
            .adminScripts = std::make_unique<RecordingAdminScriptRunner>(),
            .secrets = std::make_unique<MemorySecretStore>(),
            .loginItem = std::make_unique<FakeLoginItem>(),
            .biometric = std::make_unique<FakeBiometricAuth>(),
            .userNotifier = std::make_unique<RecordingUserNotifier>(),
            .launcher = std::make_unique<RecordingChildLauncher>(),
            .urlOpener = std::make_unique<RecordingUrlOpener>(),
            .xrayOptions = xray,
            .domainPool = std::move(domainPool)};
}

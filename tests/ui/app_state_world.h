#pragma once

#include "app/app_state.h"
#include "app/keychain_helper.h"
#include "platform/fakes/memory_secret_store.h"

#include <QHash>
#include <QList>
#include <QTemporaryDir>

#include <memory>

// An application state over the given settings, with a keychain of its own and an API client
// that is never reached: tests set its published values directly. The fastest-node choice
// measures `latencies` and records what it measured and connected to.
struct AppStateWorld {
    explicit AppStateWorld(SettingsStore& settings);
    ~AppStateWorld();

    MemorySecretStore secrets;
    KeychainHelper keychain{secrets};
    std::unique_ptr<ApiService> api;
    QTemporaryDir logDir;
    QHash<qint64, qint64> latencies;
    QList<qint64> measured;
    QList<qint64> autoConnected;
    std::unique_ptr<AppState> state;
    AppState& appState;
};

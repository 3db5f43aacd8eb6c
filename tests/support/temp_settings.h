#pragma once

#include "platform/settings_store.h"

#include <QTemporaryDir>

#include <memory>

// A settings store in a throwaway directory.
struct TempSettings {
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store
        = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.json")));

    // A second store on the same file, as a later process would see it.
    std::unique_ptr<SettingsStore> reopen() const
    {
        return std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.json")));
    }
};

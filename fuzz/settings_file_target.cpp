// The settings file as it may be found on disk: read, every kind of typed read of each key, then
// a change that writes it back and a second read of what was written.
#include "fuzz_input.h"

#include "platform/settings_store.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/velmorand-fuzz-settings-XXXXXX"));
    const QString path = directory.path() + QStringLiteral("/settings.json");
    // Clear what an earlier input left, the kept copies of bad files included.
    for (const auto& name : QDir(directory.path()).entryList(QDir::Files))
        QFile::remove(directory.path() + QLatin1Char('/') + name);

    const FuzzInput input(data, size);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(input.bytes);
    }
    SettingsStore store(path);
    const auto object = QJsonDocument::fromJson(input.bytes).object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        store.boolValue(it.key());
        store.intValue(it.key());
        store.doubleValue(it.key());
        store.stringValue(it.key());
    }
    if (input.choice % 2 == 1) {
        store.setValue(QStringLiteral("fuzzWritten"), true);
        SettingsStore again(path);
        if (again.boolValue(QStringLiteral("fuzzWritten")) != true)
            __builtin_trap(); // a change that was made must be read back
    }
    return 0;
}

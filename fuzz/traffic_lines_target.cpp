// The traffic monitor's output lines as the core manager reads them, and the byte counts alone.
#include "fuzz_input.h"

#include "connection/xray_manager.h"
#include "platform/settings_store.h"
#include "platform/utf8_text.h"

#include <QDir>

namespace {

// Never asked for a child: only the parser runs.
class NoChildLauncher final : public ChildProcessLauncher {
public:
    std::unique_ptr<ChildProcess> create(const ProcessRequest&) override { return nullptr; }
};

XrayManager& manager()
{
    static SettingsStore settings(QDir::tempPath() + QStringLiteral("/velmorand-fuzz-traffic-settings-absent.json"));
    static NoChildLauncher launcher;
    static XrayManager instance(settings, launcher, XrayManager::Options{});
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const auto text = decodeUtf8(input.bytes);
    if (!text)
        return 0;
    if (input.choice % 2 == 0) {
        manager().parseTraffic(*text);
        const auto traffic = manager().lastTraffic();
        if (traffic.down < 0 || traffic.up < 0)
            __builtin_trap(); // a count below zero is never taken
    } else {
        const auto space = text->indexOf(u' ');
        const auto value = space < 0 ? QStringView(*text) : QStringView(*text).left(space);
        const auto unit = space < 0 ? QStringView() : QStringView(*text).mid(space + 1);
        XrayManager::byteValue(value, unit);
    }
    return 0;
}

#include "tab_shortcut.h"

#include <QKeyEvent>

namespace {
// The X keyboard key codes of the digit keys 1 to 4 of the main block, which the xcb and
// Wayland platforms report as the native scan code whatever the layout and the modifiers.
constexpr quint32 kDigitOneScanCode = 10;
constexpr int kTabCount = int(navigationTabs.size());
} // namespace

std::optional<MainTab> tabForShortcut(const QKeyEvent& event)
{
    if (!(event.modifiers() & Qt::ControlModifier))
        return std::nullopt;
    if (event.key() >= Qt::Key_1 && event.key() < Qt::Key_1 + kTabCount)
        return navigationTabs[event.key() - Qt::Key_1];
    // With Shift the key reports its shifted symbol ('@' for 2 on a US layout): the key itself is
    // known by its scan code.
    const quint32 scanCode = event.nativeScanCode();
    if (scanCode >= kDigitOneScanCode && scanCode < kDigitOneScanCode + kTabCount)
        return navigationTabs[scanCode - kDigitOneScanCode];
    return std::nullopt;
}

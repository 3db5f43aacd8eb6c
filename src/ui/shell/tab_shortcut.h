#pragma once

#include <optional>

class QKeyEvent;

// The tab (0 to 3) that Control (Command on macOS) with the digit keys 1 to 4 picks, whatever other
// modifiers are held; none for any other key.
std::optional<int> tabForShortcut(const QKeyEvent& event);

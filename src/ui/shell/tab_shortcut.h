#pragma once

#include "app/main_tab.h"

#include <optional>

class QKeyEvent;

// The navigation tab that Control (Command on macOS) with the digit keys 1 to 4 picks, whatever
// other modifiers are held; none for any other key.
std::optional<MainTab> tabForShortcut(const QKeyEvent& event);

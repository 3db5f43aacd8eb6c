#pragma once

#include <functional>

class QWidget;

// Opens a sheet over `parent` (sign-in, purchase, support…). The host that builds a screen fills
// the openers it has; an empty opener leaves its entry visible but disabled.
using SheetOpener = std::function<void(QWidget* parent)>;

#pragma once

#include "ui/common/placeholder_screen.h"

// The settings form (tab 2). Stands in until the screen itself is written.
class SettingsView : public PlaceholderScreen {
    Q_OBJECT
public:
    explicit SettingsView(QWidget* parent = nullptr);
};

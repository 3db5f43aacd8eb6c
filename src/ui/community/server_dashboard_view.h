#pragma once

#include "ui/common/placeholder_screen.h"

// The server status dashboard (tab 3). Stands in until the screen itself is written.
class ServerDashboardView : public PlaceholderScreen {
    Q_OBJECT
public:
    explicit ServerDashboardView(QWidget* parent = nullptr);
};

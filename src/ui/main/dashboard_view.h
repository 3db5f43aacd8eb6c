#pragma once

#include "ui/common/placeholder_screen.h"

// The connection dashboard (tab 0). Stands in until the screen itself is written.
class DashboardView : public PlaceholderScreen {
    Q_OBJECT
public:
    explicit DashboardView(QWidget* parent = nullptr);
};

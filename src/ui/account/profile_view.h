#pragma once

#include "ui/common/placeholder_screen.h"

// The account screen (tab 4). Stands in until the screen itself is written.
class ProfileView : public PlaceholderScreen {
    Q_OBJECT
public:
    explicit ProfileView(QWidget* parent = nullptr);
};

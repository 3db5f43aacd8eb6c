#pragma once

#include "ui/common/placeholder_screen.h"

// The node list (tab 1). Stands in until the screen itself is written.
class NodesListView : public PlaceholderScreen {
    Q_OBJECT
public:
    explicit NodesListView(QWidget* parent = nullptr);
};

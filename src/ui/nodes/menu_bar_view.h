#pragma once

#include <QWidget>

// The quick controls of the status item's popover. Empty until the popover's content is written.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarView(QWidget* parent = nullptr);
};

#pragma once

#include <QWidget>

// Stands for a screen that is not written yet: its symbol and title, centred. The title is also
// the screen's navigation title (its window title), as the real screen's would be.
class PlaceholderScreen : public QWidget {
    Q_OBJECT
public:
    PlaceholderScreen(const QString& title, const QString& symbol, QWidget* parent = nullptr);
};

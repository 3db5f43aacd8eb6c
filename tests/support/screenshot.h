#pragma once

#include <QString>

class QWidget;

// Renders a widget as it stands (shown offscreen if it was not shown yet, laid out, events
// processed) and saves it as <build>/screenshots/<name>.png, for a person to look at. The
// directory is VELMORAND_SCREENSHOT_DIR when set. Returns the file's path, empty on failure.
QString saveScreenshot(QWidget& widget, const QString& name);

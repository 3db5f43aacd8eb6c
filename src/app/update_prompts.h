#pragma once

#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <functional>

// What the updater shows the user: its alerts and the download window. The screens implement
// it; tests answer from a script, so the updater runs without a display.
class UpdatePrompts {
public:
    virtual ~UpdatePrompts() = default;

    // An alert with its buttons in order; yields the index of the button pressed, or -1 when it
    // was dismissed without one.
    virtual QCoro::Task<int> alert(QString message, QString informativeText, QStringList buttons) = 0;

    // Opens a download window for the version: it follows AppEvents's "downloadProgress" and
    // "downloadComplete", runs onCancel from its cancel button and onInstall from its install
    // button. Yields the action that closes this window (harmless once it is closed).
    virtual std::function<void()> openDownloadWindow(const QString& version, std::function<void()> onCancel,
                                                     std::function<void()> onInstall)
        = 0;
};

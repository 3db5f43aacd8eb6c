#pragma once

#include <QObject>

// Tells when the displays go to sleep or the user's session is locked, so that the app lock can
// arm itself again. On Linux it listens to logind (sleep, session lock) and the desktop's screen
// saver over D-Bus; where none of them is reachable it stays silent.
class SessionLockWatcher : public QObject {
    Q_OBJECT
public:
    explicit SessionLockWatcher(QObject* parent = nullptr);

signals:
    void sessionWillLock();

private slots:
    void onPrepareForSleep(bool start);
    void onScreenSaverActive(bool active);
    void onSessionLock();
};

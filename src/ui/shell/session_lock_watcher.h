#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <functional>

// Tells when the displays go to sleep or the user's session is locked, so that the app lock can
// arm itself again. On Linux it listens to logind (sleep, session lock) and the desktop's screen
// saver over D-Bus; where none of them is reachable it stays silent.
class SessionLockWatcher : public QObject {
    Q_OBJECT
public:
    // On the machine's system and session buses.
    explicit SessionLockWatcher(QObject* parent = nullptr);
    // On the given buses: `systemBus` where logind is, `sessionBus` where the screen saver is.
    SessionLockWatcher(const QDBusConnection& systemBus, const QDBusConnection& sessionBus, QObject* parent = nullptr);

    // The object path of this process's logind session that Lock is listened to on; empty until
    // logind has named it.
    QString sessionPath() const { return m_sessionPath; }

signals:
    void sessionWillLock();
    // logind has named the session and its Lock signal is listened to.
    void sessionPathResolved(const QString& path);

private slots:
    void onPrepareForSleep(bool start);
    void onScreenSaverActive(bool active);
    void onSessionLock();

private:
    void watchLogind();
    // Asks logind for a session's path; on an error, `otherwise` when given.
    void askForSession(const QDBusMessage& call, std::function<void()> otherwise);
    void watchSession(const QString& path);

    QDBusConnection m_systemBus;
    QString m_sessionPath;
};

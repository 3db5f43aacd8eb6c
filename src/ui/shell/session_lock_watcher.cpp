#include "session_lock_watcher.h"

#include <QDBusConnection>

SessionLockWatcher::SessionLockWatcher(QObject* parent)
    : QObject(parent)
{
    auto system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        const auto login1 = QStringLiteral("org.freedesktop.login1");
        system.connect(login1, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                       QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
        system.connect(login1, QStringLiteral("/org/freedesktop/login1/session/auto"), QStringLiteral("org.freedesktop.login1.Session"),
                       QStringLiteral("Lock"), this, SLOT(onSessionLock()));
    }
    auto session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        session.connect(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActive(bool)));
        session.connect(QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
                        QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActive(bool)));
    }
}

void SessionLockWatcher::onPrepareForSleep(bool start)
{
    if (start)
        emit sessionWillLock();
}

void SessionLockWatcher::onScreenSaverActive(bool active)
{
    if (active)
        emit sessionWillLock();
}

void SessionLockWatcher::onSessionLock()
{
    emit sessionWillLock();
}

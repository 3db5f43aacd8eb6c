#include "session_lock_watcher.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

#include <unistd.h>

namespace {
const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

SessionLockWatcher::SessionLockWatcher(QObject* parent)
    : SessionLockWatcher(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), parent)
{
}

SessionLockWatcher::SessionLockWatcher(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                                       QObject* parent)
    : QObject(parent)
    , m_systemBus(systemBus)
{
    if (m_systemBus.isConnected())
        watchLogind();
    auto session = sessionBus;
    if (session.isConnected()) {
        session.connect(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActive(bool)));
        session.connect(QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
                        QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActive(bool)));
    }
}

void SessionLockWatcher::watchLogind()
{
    m_systemBus.connect(kLogin1, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                        SLOT(onPrepareForSleep(bool)));
    // logind sends Lock from the session's own object path, never from the ".../session/auto"
    // alias: the real path is asked for, by the session of this process and, outside a session,
    // by its process id.
    const auto bySession = QDBusMessage::createMethodCall(kLogin1, kManagerPath, kManager, QStringLiteral("GetSession"))
        << QStringLiteral("auto");
    const auto byPid
        = QDBusMessage::createMethodCall(kLogin1, kManagerPath, kManager, QStringLiteral("GetSessionByPID"))
        << quint32(::getpid());
    askForSession(bySession, [this, byPid] { askForSession(byPid, {}); });
}

void SessionLockWatcher::askForSession(const QDBusMessage& call, std::function<void()> otherwise)
{
    auto* pending = new QDBusPendingCallWatcher(m_systemBus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, otherwise](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *done;
        if (!reply.isError())
            watchSession(reply.value().path());
        else if (otherwise)
            otherwise();
        else
            qInfo().noquote() << QStringLiteral("[SessionLock] No logind session:") << reply.error().message();
    });
}

void SessionLockWatcher::watchSession(const QString& path)
{
    m_systemBus.connect(kLogin1, path, QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"), this,
                        SLOT(onSessionLock()));
    m_sessionPath = path;
    emit sessionPathResolved(path);
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

void SessionLockWatcher::onSessionLock() { emit sessionWillLock(); }

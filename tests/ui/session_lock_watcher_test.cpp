// The watcher against a fake logind on a private D-Bus bus of this test.
#include "ui/shell/session_lock_watcher.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/_32");

// logind's manager as far as the watcher asks it: the session "auto" is known or not (outside a
// session), the session of a process always is.
class FakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    bool knowsAuto = true;
    QStringList asked;

public slots:
    QDBusObjectPath GetSession(const QString& id)
    {
        asked.append(QStringLiteral("GetSession ") + id);
        if (!knowsAuto || id != QLatin1String("auto")) {
            sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"),
                           QStringLiteral("Caller does not belong to any known session"));
            return {};
        }
        return QDBusObjectPath(kSessionPath);
    }
    QDBusObjectPath GetSessionByPID(uint pid)
    {
        asked.append(QStringLiteral("GetSessionByPID ") + QString::number(pid));
        return QDBusObjectPath(kSessionPath);
    }
};

class SessionLockWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments(
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        m_daemon.start();
        ASSERT_TRUE(m_daemon.waitForStarted(5000)) << "dbus-daemon is not installed";
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_daemon.canReadLine(); }, 5000));
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        m_logindBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_address, QStringLiteral("fake-logind")));
        ASSERT_TRUE(m_logindBus->isConnected());
        ASSERT_TRUE(m_logindBus->registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                                QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_logindBus->registerService(QStringLiteral("org.freedesktop.login1")));
    }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
        QDBusConnection::disconnectFromBus(QStringLiteral("watcher"));
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    QDBusConnection watcherBus() { return QDBusConnection::connectToBus(m_address, QStringLiteral("watcher")); }

    void sendLock(const QString& path)
    {
        m_logindBus->send(
            QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock")));
    }

    FakeLogind logind;

private:
    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<QDBusConnection> m_logindBus;
};

TEST_F(SessionLockWatcherTest, ALockFromTheSessionsOwnPathLocksAgain)
{
    for (const bool knowsAuto : {true, false}) {
        logind.knowsAuto = knowsAuto;
        logind.asked.clear();
        SessionLockWatcher watcher(watcherBus(), QDBusConnection(QStringLiteral("none")));
        QSignalSpy locks(&watcher, &SessionLockWatcher::sessionWillLock);
        ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.sessionPath() == kSessionPath; }, 5000))
            << logind.asked.join(QLatin1String(", ")).toStdString();

        sendLock(kSessionPath);
        EXPECT_TRUE(QTest::qWaitFor([&] { return locks.count() == 1; }, 5000)) << "knowsAuto=" << knowsAuto;
        QDBusConnection::disconnectFromBus(QStringLiteral("watcher"));
    }
}

} // namespace

#include "session_lock_watcher_test.moc"

#pragma once

#include "platform/linux/linux_admin_script_runner.h"
#include "platform/linux/root_trust.h"
#include "platform/linux/stand_ins.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <memory>

#include <unistd.h>

// Root scripts run only stand-ins that root alone can change. A build tree in a folder that
// others can write (a clone in /tmp, a user's home) has none: the tests then run copies of the
// build's stand-ins, put for this test program into a folder of root's own below /run.
class StagedRootStandIns {
public:
    static const QString& directory()
    {
        static const StagedRootStandIns staged;
        return staged.m_directory;
    }

private:
    StagedRootStandIns()
    {
        const auto built = StandIns::rootDirectory();
        m_directory = built;
        if (::geteuid() != 0 || trusted(built))
            return;
        removeThoseOfEndedTests();
        QByteArray pattern = kPrefix.toLocal8Bit() + QByteArray::number(::getpid()) + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            return;
        m_staged = QString::fromLocal8Bit(pattern);
        for (const auto& name : QDir(built).entryList(QDir::Files)) {
            const QString copy = m_staged + QLatin1Char('/') + name;
            QFile::copy(built + QLatin1Char('/') + name, copy);
            QFile::setPermissions(copy,
                                  QFile::permissions(built + QLatin1Char('/') + name)
                                      & ~(QFileDevice::WriteGroup | QFileDevice::WriteOther));
        }
        m_directory = m_staged;
    }
    ~StagedRootStandIns()
    {
        if (!m_staged.isEmpty())
            QDir(m_staged).removeRecursively();
    }

    // A test program killed outright (as the crash tests do) leaves its copies behind.
    static void removeThoseOfEndedTests()
    {
        const QDir run(QStringLiteral("/run"));
        const auto prefix = kPrefix.mid(run.path().size() + 1);
        for (const auto& name : run.entryList({prefix + QLatin1Char('*')}, QDir::Dirs)) {
            const auto pid = name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0);
            if (!QFileInfo::exists(QStringLiteral("/proc/") + pid))
                QDir(run.filePath(name)).removeRecursively();
        }
    }

    static bool trusted(const QString& directory)
    {
        QString why;
        for (const auto& name : QDir(directory).entryList(QDir::Files))
            if (!RootTrust::onlyRootCanChange(directory + QLatin1Char('/') + name, &why))
                return false;
        return true;
    }

    static inline const QString kPrefix = QStringLiteral("/run/velmorand-tests-");
    QString m_directory;
    QString m_staged;
};

// The administrator-script runner of this system, over stand-ins root can run.
inline std::unique_ptr<AdminScriptRunner> rootScriptRunner()
{
    return std::make_unique<LinuxAdminScriptRunner>(StagedRootStandIns::directory());
}

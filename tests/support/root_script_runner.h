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
        m_staged = stagingFolder();
        if (m_staged.isEmpty())
            return;
        copyInto(built, m_staged);
        m_directory = m_staged;
    }
    ~StagedRootStandIns()
    {
        if (!m_staged.isEmpty())
            QDir(m_staged).removeRecursively();
    }

public:
    // A folder of root's own below /run named for this test program, for copies of the build's
    // files; empty when it could not be made. The caller removes it.
    static QString stagingFolder()
    {
        removeThoseOfEndedTests();
        QByteArray pattern = kPrefix.toLocal8Bit() + QByteArray::number(::getpid()) + "-XXXXXX";
        return ::mkdtemp(pattern.data()) ? QString::fromLocal8Bit(pattern) : QString();
    }

    // Copies the folder's files and the folders below it into `to`, writable by no one else.
    static void copyInto(const QString& from, const QString& to)
    {
        const QDir source(from);
        for (const auto& name : source.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString original = source.filePath(name);
            const QString copy = to + QLatin1Char('/') + name;
            if (QFileInfo(original).isDir()) {
                QDir().mkdir(copy);
                copyInto(original, copy);
                continue;
            }
            QFile::copy(original, copy);
            QFile::setPermissions(copy,
                                  QFile::permissions(original) & ~(QFileDevice::WriteGroup | QFileDevice::WriteOther));
        }
    }

private:
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

// The program, with the resources beside it, where root runs its stand-ins: the build's own when
// root alone can change them there, else a copy for this test program (see StagedRootStandIns).
class StagedRootProgram {
public:
    static QString path(const QString& program)
    {
        static const StagedRootProgram staged(program);
        return staged.m_program;
    }

private:
    explicit StagedRootProgram(const QString& program)
        : m_program(program)
    {
        if (::geteuid() != 0 || StagedRootStandIns::directory() == StandIns::rootDirectory())
            return;
        const QFileInfo built(program);
        m_staged = StagedRootStandIns::stagingFolder();
        if (m_staged.isEmpty())
            return;
        // The program finds its resources beside itself.
        const QString resources = m_staged + QStringLiteral("/resources");
        QDir().mkdir(resources);
        StagedRootStandIns::copyInto(built.absolutePath() + QStringLiteral("/resources"), resources);
        const QString copy = m_staged + QLatin1Char('/') + built.fileName();
        if (QFile::copy(program, copy))
            m_program = copy;
    }
    ~StagedRootProgram()
    {
        if (!m_staged.isEmpty())
            QDir(m_staged).removeRecursively();
    }

    QString m_program;
    QString m_staged;
};

// The administrator-script runner of this system, over stand-ins root can run.
inline std::unique_ptr<AdminScriptRunner> rootScriptRunner()
{
    return std::make_unique<LinuxAdminScriptRunner>(StagedRootStandIns::directory());
}

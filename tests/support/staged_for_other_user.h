#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// Copies of what a test runs as another user, in a temporary folder of its own that every user may
// enter and read. The clone may sit where only its owner can reach (a 0700 folder, a home of its
// own), so another user never runs anything from the build tree.
class StagedForOtherUser {
public:
    // Empty when the folder is usable; otherwise what stands in the way.
    QString problem() const
    {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder: ") + m_dir.errorString();
        for (auto path = QFileInfo(m_dir.path()).path(); path != QLatin1String("/"); path = QFileInfo(path).path()) {
            if (!(QFile::permissions(path) & QFileDevice::ExeOther))
                return path + QStringLiteral(" cannot be entered by other users: the temporary folder must be");
        }
        return m_copyProblem;
    }

    // A copy of the file or the whole folder as `name` (a relative path) inside; its path.
    QString add(const QString& source, const QString& name)
    {
        const QString target = filePath(name);
        QDir().mkpath(QFileInfo(target).path());
        if (QFileInfo(source).isDir())
            copyFolder(source, target);
        else
            copyFile(source, target);
        for (auto path = QFileInfo(target).path(); path.startsWith(m_dir.path()); path = QFileInfo(path).path())
            openToOthers(path);
        return target;
    }

    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    void copyFolder(const QString& source, const QString& target)
    {
        QDir().mkpath(target);
        openToOthers(target);
        QDirIterator entries(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        while (entries.hasNext()) {
            const QFileInfo entry(entries.next());
            const QString copy = target + QLatin1Char('/') + entry.fileName();
            if (entry.isDir())
                copyFolder(entry.filePath(), copy);
            else
                copyFile(entry.filePath(), copy);
        }
    }

    void copyFile(const QString& source, const QString& target)
    {
        if (!QFile::copy(source, target)) {
            m_copyProblem = QStringLiteral("cannot copy ") + source + QStringLiteral(" to ") + target;
            return;
        }
        openToOthers(target);
    }

    // Readable by everyone, and entered or run by everyone where the owner may.
    static void openToOthers(const QString& path)
    {
        auto permissions = QFile::permissions(path) | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (permissions & QFileDevice::ExeOwner)
            permissions |= QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QFile::setPermissions(path, permissions);
    }

    QTemporaryDir m_dir;
    QString m_copyProblem;
};

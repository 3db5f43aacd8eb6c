#include "root_trust.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace RootTrust {

bool onlyRootCanChange(const QString& path, QString* why)
{
    if (!QDir::isAbsolutePath(path)) {
        *why = path + QStringLiteral(" is not an absolute path");
        return false;
    }
    // The path as it will be run: a link on the way could be turned elsewhere once checked.
    for (auto at = QDir::cleanPath(path);; at = QFileInfo(at).path()) {
        struct stat status {};
        if (::lstat(QFile::encodeName(at).constData(), &status) != 0) {
            *why = at + QStringLiteral(" cannot be examined");
            return false;
        }
        if (S_ISLNK(status.st_mode)) {
            *why = at + QStringLiteral(" is a link; only the file it leads to is run");
            return false;
        }
        if (status.st_uid != 0) {
            *why = at + QStringLiteral(" belongs to user ") + QString::number(status.st_uid)
                + QStringLiteral(", not root");
            return false;
        }
        if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            *why = at + QStringLiteral(" can be written by users other than root");
            return false;
        }
        if (at == QLatin1String("/"))
            return true;
    }
}

} // namespace RootTrust

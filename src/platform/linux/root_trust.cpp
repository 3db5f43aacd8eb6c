#include "root_trust.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace RootTrust {

bool onlyRootCanChange(const QString& path, QString* why)
{
    // Every link resolved: what runs is the file at the end of them.
    const auto canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty()) {
        *why = path + QStringLiteral(" does not exist");
        return false;
    }
    for (auto at = canonical;; at = QFileInfo(at).path()) {
        struct stat status {};
        if (::lstat(QFile::encodeName(at).constData(), &status) != 0) {
            *why = at + QStringLiteral(" cannot be examined");
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

#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {
QString fromEnv(const char* name) { return qEnvironmentVariable(name); }

QString ensureDir(const QString& path, bool privateToUser)
{
    QDir().mkpath(path);
    if (privateToUser)
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}
// Without the proxy core nothing connects; say where it was looked for, once.
QString warnOnceWhenMissing(const QString& resources)
{
    static const bool warned = [&] {
        if (QFileInfo(resources + QStringLiteral("/xray")).isExecutable())
            return false;
        qWarning("[Paths] No resources in %s: the proxy core is missing", qPrintable(resources));
        return true;
    }();
    Q_UNUSED(warned);
    return resources;
}
} // namespace

namespace Paths {

QString configDir()
{
    if (const auto dir = fromEnv("VELMORAND_CONFIG_DIR"); !dir.isEmpty())
        return ensureDir(dir, true);
    return ensureDir(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/velmorand"), true);
}

QString stateDir()
{
    if (const auto dir = fromEnv("VELMORAND_STATE_DIR"); !dir.isEmpty())
        return ensureDir(dir, true);
    auto base = fromEnv("XDG_STATE_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return ensureDir(base + QStringLiteral("/velmorand"), true);
}

QString privateRuntimeDir()
{
    const auto runtime = fromEnv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return ensureDir(runtime + QStringLiteral("/velmorand"), true);
    // Without a runtime directory: a per-user directory in /tmp, trusted only when it is ours and
    // no link, so that another user cannot pre-create it to read what we put there.
    const QString path = QDir::tempPath() + QStringLiteral("/velmorand-") + QString::number(::getuid());
    QFileInfo info(path);
    if (info.exists() && (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid()))
        qFatal("[Paths] %s is not a private directory of this user", qPrintable(path));
    return ensureDir(path, true);
}

QString resourcesDir()
{
    if (const auto dir = fromEnv("VELMORAND_RESOURCES_DIR"); !dir.isEmpty())
        return dir;
    return bundledResourcesDir();
}

QString bundledResourcesDir()
{
    // The build tree keeps them next to the program; an installed program finds them where the
    // install rules put them relative to it, wherever the prefix is.
    const QDir programDir(QCoreApplication::applicationDirPath());
    if (QFileInfo buildTree(programDir.filePath(QStringLiteral("resources"))); buildTree.isDir())
        return buildTree.filePath();
    return warnOnceWhenMissing(QDir::cleanPath(programDir.filePath(QStringLiteral(VELMORAND_INSTALLED_RESOURCES))));
}

} // namespace Paths

#include "screenshot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace {
QString screenshotDir()
{
    auto dir = qEnvironmentVariable("VELMORAND_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}
} // namespace

QString saveScreenshot(QWidget& widget, const QString& name)
{
    if (!widget.isVisible())
        widget.show();
    // Let queued rebuilds, layouts and the first paint happen.
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    const auto pixmap = widget.grab();
    if (pixmap.isNull())
        return {};
    const QString path = screenshotDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    return pixmap.save(path, "PNG") ? path : QString();
}

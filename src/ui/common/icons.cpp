#include "icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// Resources of a static library are linked in only when something references them.
static void ensureIconResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace {

QString pathFor(const QString& symbol) { return QStringLiteral(":/icons/") + symbol + QStringLiteral(".svg"); }

qreal ratioOr(qreal devicePixelRatio)
{
    if (devicePixelRatio > 0)
        return devicePixelRatio;
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QImage render(const QString& path, int size, qreal ratio)
{
    const int pixels = qRound(size * ratio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

namespace Icons {

bool exists(const QString& symbol)
{
    ensureIconResources();
    return QFile::exists(pathFor(symbol));
}

QPixmap pixmap(const QString& symbol, const QColor& color, int size, qreal devicePixelRatio)
{
    ensureIconResources();
    const qreal ratio = ratioOr(devicePixelRatio);
    const auto key = QStringLiteral("icon:%1:%2:%3:%4").arg(symbol, color.name(QColor::HexArgb)).arg(size).arg(ratio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    if (!exists(symbol))
        return {};
    QImage image = render(pathFor(symbol), size, ratio);
    if (image.isNull())
        return {};
    // Keep the drawing's coverage, replace its colour.
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(0, 0), image.size() / ratio + QSize(1, 1)), color);
    painter.end();
    auto result = QPixmap::fromImage(image);
    QPixmapCache::insert(key, result);
    return result;
}

QIcon icon(const QString& symbol, const QColor& color, int size)
{
    QIcon result;
    result.addPixmap(pixmap(symbol, color, size, 1.0));
    result.addPixmap(pixmap(symbol, color, size, 2.0));
    return result;
}

QPixmap appIcon(int size, qreal devicePixelRatio)
{
    ensureIconResources();
    return QPixmap::fromImage(render(QStringLiteral(":/icons/app-icon.svg"), size, ratioOr(devicePixelRatio)));
}

QIcon appWindowIcon()
{
    QIcon result;
    for (int size : {16, 32, 64, 128, 256})
        result.addPixmap(appIcon(size, 1.0));
    return result;
}

} // namespace Icons

#include "icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
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

const QString kAppIconPath = QStringLiteral(":/icons/app-icon.svg");

// The window icon offers the window system the sizes it asks for, each drawn when asked and kept
// by nobody: the window system holds its own copy, and pixmaps kept in the icon would stay in
// memory for the whole run (a quarter of a megabyte at 256 px alone).
class AppWindowIconEngine final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        QSvgRenderer(kAppIconPath).render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return QPixmap::fromImage(render(kAppIconPath, qMin(size.width(), size.height()), 1.0));
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(32, 32), QSize(64, 64), QSize(128, 128), QSize(256, 256)};
    }
    QIconEngine* clone() const override { return new AppWindowIconEngine; }
    QString key() const override { return QStringLiteral("velmorand-app-window"); }
};

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
    return QPixmap::fromImage(render(kAppIconPath, size, ratioOr(devicePixelRatio)));
}

QIcon appWindowIcon()
{
    ensureIconResources();
    return QIcon(new AppWindowIconEngine);
}

} // namespace Icons

#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The bundled symbols (resources/icons), named like the system symbols they stand for
// ("shield.fill", "gearshape"), drawn in one colour and tinted on use.
namespace Icons {
// True when a drawing of that name is bundled.
bool exists(const QString& symbol);
// The symbol tinted with `color`, `size` pixels square at the given device pixel ratio (the
// application's when 0). A symbol that is not bundled gives a null pixmap.
QPixmap pixmap(const QString& symbol, const QColor& color, int size, qreal devicePixelRatio = 0);
QIcon icon(const QString& symbol, const QColor& color, int size = 16);
// The application's own icon in its colours.
QPixmap appIcon(int size, qreal devicePixelRatio = 0);
QIcon appWindowIcon();
} // namespace Icons

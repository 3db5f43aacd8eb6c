#include "themed_sheet.h"

#include <QWidget>

void setThemedStyleSheet(QWidget* widget, QString (*sheet)(const ThemePalette& colors))
{
    widget->setStyleSheet(sheet(Theme::of(widget).palette()));
    QObject::connect(&Theme::of(widget), &Theme::changed, widget,
                     [widget, sheet] { widget->setStyleSheet(sheet(Theme::of(widget).palette())); });
}

QString cssColor(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

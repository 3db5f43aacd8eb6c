#pragma once

#include <QProxyStyle>

// The toolkit's Fusion style with what of the application's look a palette cannot carry: the
// tooltip's rounded, bordered panel with room around its text. Colours come
// from the application's palette, so the style follows a change of theme by itself.
class ThemeStyle : public QProxyStyle {
    Q_OBJECT
public:
    ThemeStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

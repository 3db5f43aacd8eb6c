#pragma once

#include <QProxyStyle>
#include <QStyleOption>

class Theme;

// What ThemeStyle answers to its hint SH_Theme: the theme it was made for.
struct ThemeHintReturn : QStyleHintReturn {
    Theme* theme = nullptr;
};

// The toolkit's Fusion style with what of the application's look a palette cannot carry: the
// tooltip's rounded, bordered panel with room around its text. Colours come
// from the application's palette, so the style follows a change of theme by itself. It carries
// its theme to the widgets drawn with it (see Theme::of()).
class ThemeStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Asks for the style's theme, into a ThemeHintReturn.
    static constexpr auto SH_Theme = StyleHint(SH_CustomBase + 1);

    explicit ThemeStyle(Theme& theme);

    Theme& theme() const { return m_theme; }

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    Theme& m_theme;
};

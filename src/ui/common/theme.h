#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

#include <optional>

class QWidget;

// The text styles of the screens, from the largest to the smallest.
enum class TextStyle {
    LargeTitle,
    Title,
    Title2,
    Title3,
    Headline,
    Body,
    Callout,
    Subheadline,
    Footnote,
    Caption,
    Caption2
};

// Colour roles of texts and symbols; each appearance gives every role its colour, so a widget
// that keeps a role (not a colour) follows a change of appearance or accent.
enum class TextColor { Primary, Secondary, Tertiary, Accent, Red, Green, Blue, Orange, Yellow, Purple, Teal, Gray };

// Colours of one appearance. The system colours follow the appearance as the desktop's own do.
struct ThemePalette {
    bool dark = false;
    QColor window;
    QColor sidebar;
    QColor card;
    QColor cardBorder;
    QColor cardShadow;
    QColor control;
    QColor controlBorder;
    QColor controlHover;
    QColor text;
    QColor secondaryText;
    QColor tertiaryText;
    QColor separator;
    QColor accent;
    QColor onAccent;
    QColor blue;
    QColor green;
    QColor yellow;
    QColor orange;
    QColor red;
    QColor purple;
    QColor teal;
    QColor gray;

    QColor color(TextColor role) const;
};

// The colour with its opacity multiplied by `opacity` (0 to 1).
QColor withOpacity(QColor color, qreal opacity);

// Spacing and corner radii shared by the screens, in device-independent pixels.
namespace Spacing {
inline constexpr int xxs = 2;
inline constexpr int xs = 4;
inline constexpr int s = 8;
inline constexpr int m = 12;
inline constexpr int l = 16;
inline constexpr int xl = 20;
inline constexpr int xxl = 24;
inline constexpr int cardRadius = 14;
inline constexpr int controlRadius = 7;
} // namespace Spacing

// The look of the whole application: light or dark palette, accent colour and fonts. One theme is
// built with the windows' long-lived objects; the main window's root applies the stored
// appearance and accent to it. Applied, it rides on the application's style, where every screen
// finds it (see of()) to read colours and fonts, and redraws on `changed`.
class Theme : public QObject {
    Q_OBJECT
public:
    // Built after the application: it starts from the desktop's own appearance.
    Theme();

    // The theme `widget` is drawn with: the one its style carries. A widget with a style sheet of
    // its own finds it too, and so does one being built (it has the application's style until a
    // parent with a sheet takes it in). Without a theme's style installed, the program stops.
    static Theme& of(const QWidget* widget);

    // "light" and "dark" force an appearance; any other text follows the desktop.
    static std::optional<bool> darkFor(const QString& appearance);
    // "green", "purple", "orange", "red"; any other text gives blue.
    static QColor accentFor(const QString& accentName, bool dark);

    const ThemePalette& palette() const { return m_palette; }
    bool isDark() const { return m_palette.dark; }
    QString appearance() const { return m_appearance; }
    QString accentName() const { return m_accentName; }
    QString language() const { return m_language; }

    void setAppearance(const QString& appearance);
    void setAccent(const QString& accentName);
    // "zh", "en" or "ja": picks the CJK face that draws that language's characters.
    void setLanguage(const QString& languageCode);

    // The weight a text style has unless told otherwise; the same in every theme.
    static QFont::Weight weightOf(TextStyle style);
    QFont font(TextStyle style) const;
    QFont font(TextStyle style, QFont::Weight weight) const;
    // Digits of equal width, for figures that change while shown (speeds, counters).
    QFont monospacedDigitFont(TextStyle style) const;

    // Installs palette, style and font on the running application; the style carries this theme
    // to every widget drawn with it.
    void apply();

signals:
    void changed();

private:
    void rebuildPalette();

    QString m_appearance = QStringLiteral("system");
    QString m_accentName = QStringLiteral("blue");
    QString m_language = QStringLiteral("zh");
    bool m_systemDark = false;
    ThemePalette m_palette;
};

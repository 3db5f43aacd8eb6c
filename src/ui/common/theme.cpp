#include "theme.h"

#include "theme_style.h"

#include <QApplication>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

namespace {

QColor rgba(int r, int g, int b, double alpha = 1.0)
{
    QColor c(r, g, b);
    c.setAlphaF(alpha);
    return c;
}

ThemePalette lightPalette()
{
    ThemePalette p;
    p.dark = false;
    p.window = QColor(0xF4, 0xF5, 0xF7);
    p.sidebar = QColor(0xE9, 0xEB, 0xEF);
    p.card = QColor(0xFF, 0xFF, 0xFF);
    p.cardBorder = rgba(142, 142, 147, 0.3);
    p.cardShadow = rgba(0, 0, 0, 0.06);
    p.control = QColor(0xFF, 0xFF, 0xFF);
    p.controlBorder = QColor(0xC9, 0xCB, 0xD1);
    p.controlHover = rgba(0, 0, 0, 0.06);
    p.text = QColor(0x1D, 0x1D, 0x1F);
    p.secondaryText = QColor(0x6E, 0x6E, 0x73);
    p.tertiaryText = QColor(0xA1, 0xA1, 0xA6);
    p.separator = QColor(0xD9, 0xDA, 0xDF);
    p.onAccent = Qt::white;
    p.blue = QColor(0x00, 0x7A, 0xFF);
    p.green = QColor(0x28, 0xB4, 0x4F);
    p.yellow = QColor(0xF2, 0xB7, 0x00);
    p.orange = QColor(0xFF, 0x95, 0x00);
    p.red = QColor(0xFF, 0x3B, 0x30);
    p.purple = QColor(0xAF, 0x52, 0xDE);
    p.teal = QColor(0x30, 0xB0, 0xC7);
    p.gray = QColor(0x8E, 0x8E, 0x93);
    return p;
}

ThemePalette darkPalette()
{
    ThemePalette p;
    p.dark = true;
    p.window = QColor(0x1C, 0x1C, 0x1F);
    p.sidebar = QColor(0x25, 0x25, 0x29);
    p.card = QColor(0x2B, 0x2B, 0x30);
    p.cardBorder = rgba(255, 255, 255, 0.10);
    p.cardShadow = rgba(0, 0, 0, 0.25);
    p.control = QColor(0x36, 0x36, 0x3B);
    p.controlBorder = QColor(0x4A, 0x4A, 0x50);
    p.controlHover = rgba(255, 255, 255, 0.08);
    p.text = QColor(0xF2, 0xF2, 0xF7);
    p.secondaryText = QColor(0xA1, 0xA1, 0xA8);
    p.tertiaryText = QColor(0x6C, 0x6C, 0x72);
    p.separator = QColor(0x3A, 0x3A, 0x3F);
    p.onAccent = Qt::white;
    p.blue = QColor(0x0A, 0x84, 0xFF);
    p.green = QColor(0x30, 0xD1, 0x58);
    p.yellow = QColor(0xFF, 0xD6, 0x0A);
    p.orange = QColor(0xFF, 0x9F, 0x0A);
    p.red = QColor(0xFF, 0x45, 0x3A);
    p.purple = QColor(0xBF, 0x5A, 0xF2);
    p.teal = QColor(0x40, 0xC8, 0xE0);
    p.gray = QColor(0x98, 0x98, 0x9D);
    return p;
}

// Pixel sizes of the text styles and their default weights.
struct StyleMetrics {
    int pixelSize;
    QFont::Weight weight;
};

StyleMetrics metricsFor(TextStyle style)
{
    switch (style) {
    case TextStyle::LargeTitle:
        return {28, QFont::Normal};
    case TextStyle::Title:
        return {22, QFont::Normal};
    case TextStyle::Title2:
        return {19, QFont::Normal};
    case TextStyle::Title3:
        return {17, QFont::Normal};
    case TextStyle::Headline:
        return {14, QFont::DemiBold};
    case TextStyle::Body:
        return {14, QFont::Normal};
    case TextStyle::Callout:
        return {13, QFont::Normal};
    case TextStyle::Subheadline:
        return {12, QFont::Normal};
    case TextStyle::Footnote:
        return {11, QFont::Normal};
    case TextStyle::Caption:
        return {11, QFont::Normal};
    case TextStyle::Caption2:
        return {10, QFont::Normal};
    }
    return {14, QFont::Normal};
}

QStringList familiesFor(const QString& language)
{
    // Latin text in Noto Sans; Han characters in the face of the interface language, so that
    // Japanese kanji take their Japanese forms. Flags and emoji name their face too: left to the
    // system's fallback list, each font size would match and keep a hundred other families first.
    const auto cjk
        = language == QLatin1String("ja") ? QStringLiteral("Noto Sans CJK JP") : QStringLiteral("Noto Sans CJK SC");
    return {QStringLiteral("Noto Sans"), cjk, QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans"),
            QStringLiteral("Noto Color Emoji")};
}

} // namespace

QColor ThemePalette::color(TextColor role) const
{
    switch (role) {
    case TextColor::Primary:
        return text;
    case TextColor::Secondary:
        return secondaryText;
    case TextColor::Tertiary:
        return tertiaryText;
    case TextColor::Accent:
        return accent;
    case TextColor::Red:
        return red;
    case TextColor::Green:
        return green;
    case TextColor::Blue:
        return blue;
    case TextColor::Orange:
        return orange;
    case TextColor::Yellow:
        return yellow;
    case TextColor::Purple:
        return purple;
    case TextColor::Teal:
        return teal;
    case TextColor::Gray:
        return gray;
    }
    return text;
}

Theme::Theme()
{
    // The desktop's own appearance, as the platform gave it before we installed ours.
    m_systemDark = QApplication::palette().color(QPalette::Window).lightness() < 128;
    rebuildPalette();
}

Theme& Theme::of(const QWidget* widget)
{
    Q_ASSERT(widget);
    // Asked as a style hint: a widget with a style sheet draws with the toolkit's sheet style,
    // which wraps ours and passes hints it does not know on to it.
    ThemeHintReturn answer;
    widget->style()->styleHint(ThemeStyle::SH_Theme, nullptr, widget, &answer);
    if (!answer.theme)
        qFatal("No theme for %s: a Theme must be applied before any screen is built",
               widget->metaObject()->className());
    return *answer.theme;
}

std::optional<bool> Theme::darkFor(const QString& appearance)
{
    if (appearance == QLatin1String("light"))
        return false;
    if (appearance == QLatin1String("dark"))
        return true;
    return std::nullopt;
}

QColor Theme::accentFor(const QString& accentName, bool dark)
{
    const auto p = dark ? darkPalette() : lightPalette();
    if (accentName == QLatin1String("green"))
        return p.green;
    if (accentName == QLatin1String("purple"))
        return p.purple;
    if (accentName == QLatin1String("orange"))
        return p.orange;
    if (accentName == QLatin1String("red"))
        return p.red;
    return p.blue;
}

void Theme::setAppearance(const QString& appearance)
{
    if (appearance == m_appearance)
        return;
    m_appearance = appearance;
    rebuildPalette();
    apply();
}

void Theme::setAccent(const QString& accentName)
{
    if (accentName == m_accentName)
        return;
    m_accentName = accentName;
    rebuildPalette();
    apply();
}

void Theme::setLanguage(const QString& languageCode)
{
    if (languageCode == m_language)
        return;
    m_language = languageCode;
    apply();
}

void Theme::rebuildPalette()
{
    const bool dark = darkFor(m_appearance).value_or(m_systemDark);
    m_palette = dark ? darkPalette() : lightPalette();
    m_palette.accent = accentFor(m_accentName, dark);
}

QFont::Weight Theme::weightOf(TextStyle style) { return metricsFor(style).weight; }

QFont Theme::font(TextStyle style) const { return font(style, weightOf(style)); }

QFont Theme::font(TextStyle style, QFont::Weight weight) const
{
    QFont f;
    f.setFamilies(familiesFor(m_language));
    f.setPixelSize(metricsFor(style).pixelSize);
    f.setWeight(weight);
    return f;
}

QFont Theme::monospacedDigitFont(TextStyle style) const
{
    QFont f = font(style);
    // What the digit face lacks (place names, flags) comes from the faces the rest of the window
    // already uses: the CJK mono faces draw Han alike, but each face opened costs about 3 MB.
    f.setFamilies(QStringList{QStringLiteral("DejaVu Sans Mono")} + familiesFor(m_language));
    return f;
}

void Theme::apply()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;

    const auto& p = m_palette;
    QPalette pal;
    pal.setColor(QPalette::Window, p.window);
    pal.setColor(QPalette::WindowText, p.text);
    pal.setColor(QPalette::Base, p.control);
    pal.setColor(QPalette::AlternateBase, p.sidebar);
    pal.setColor(QPalette::Text, p.text);
    pal.setColor(QPalette::Button, p.control);
    pal.setColor(QPalette::ButtonText, p.text);
    pal.setColor(QPalette::BrightText, p.onAccent);
    pal.setColor(QPalette::Highlight, p.accent);
    pal.setColor(QPalette::HighlightedText, p.onAccent);
    pal.setColor(QPalette::Link, p.accent);
    pal.setColor(QPalette::LinkVisited, p.accent);
    pal.setColor(QPalette::PlaceholderText, p.tertiaryText);
    pal.setColor(QPalette::ToolTipBase, p.card);
    pal.setColor(QPalette::ToolTipText, p.text);
    pal.setColor(QPalette::Light, p.card);
    pal.setColor(QPalette::Midlight, p.separator);
    pal.setColor(QPalette::Mid, p.controlBorder);
    pal.setColor(QPalette::Dark, p.controlBorder);
    pal.setColor(QPalette::Shadow, p.cardShadow);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, p.tertiaryText);
    QApplication::setPalette(pal);
    QToolTip::setPalette(pal);
    // A check box's text keeps the window's text colour while disabled; its switch shows the state.
    QPalette checkBox = pal;
    checkBox.setColor(QPalette::Disabled, QPalette::WindowText, p.text);
    QApplication::setPalette(checkBox, "QCheckBox");

    // The font before the style: a style change makes every widget measure its text again, and
    // measured with the toolkit's default font, Han characters would open a further CJK face.
    QApplication::setFont(font(TextStyle::Body));
    // No style sheet for the whole application: with one, the toolkit styles and caches rules for
    // every widget of the window. Colours come from palettes; the few widgets that need a sheet
    // carry their own.
    const auto* style = qobject_cast<ThemeStyle*>(QApplication::style());
    if (!style || &style->theme() != this)
        QApplication::setStyle(new ThemeStyle(*this));
    emit changed();
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

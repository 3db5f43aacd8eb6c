#include "text_label.h"

#include "one_line_text.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {
// The label's colour role, kept on the label so that a change of theme can paint it again.
constexpr char colorRoleProperty[] = "textColorRole";

// The roles a label may paint its text with: a label inside a button takes the button's.
constexpr QPalette::ColorRole textRoles[] = {QPalette::WindowText, QPalette::ButtonText, QPalette::Text};

void paintInRole(QLabel* label)
{
    const auto role = static_cast<TextColor>(label->property(colorRoleProperty).toInt());
    QPalette colors = label->palette();
    const QPalette window = QApplication::palette();
    for (auto textRole : textRoles) {
        if (role == TextColor::Primary) {
            // The window's own text colour, dimmed while disabled as every plain label is.
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                colors.setColor(group, textRole, window.color(group, textRole));
        } else {
            colors.setColor(textRole, Theme::shared().palette().color(role));
        }
    }
    label->setPalette(colors);
}
} // namespace

TextLabel::TextLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    QLabel::setTextFormat(Qt::PlainText);
    QLabel::setOpenExternalLinks(false);
    setText(text);
}

void TextLabel::setOneLine(bool oneLine)
{
    m_oneLine = oneLine;
    if (oneLine)
        setWordWrap(false);
    updateGeometry();
    update();
}

QString TextLabel::shownText() const
{
    return m_oneLine ? elidedLine(fontMetrics(), text(), textRoom().width()) : text();
}

QRect TextLabel::textRoom() const
{
    const int inset = margin();
    return contentsRect().adjusted(inset, inset, -inset, -inset);
}

QSize TextLabel::withMargins(QSize text) const
{
    const QMargins frame = contentsMargins();
    const int inset = 2 * margin();
    return text.grownBy(frame) + QSize(inset, inset);
}

QSize TextLabel::sizeHint() const
{
    if (!m_oneLine)
        return QLabel::sizeHint();
    const QFontMetrics metrics = fontMetrics();
    return withMargins(QSize(metrics.horizontalAdvance(oneLine(text())), metrics.height()));
}

QSize TextLabel::minimumSizeHint() const
{
    if (!m_oneLine)
        return QLabel::minimumSizeHint();
    const QFontMetrics metrics = fontMetrics();
    const int ellipsis = metrics.horizontalAdvance(QStringLiteral("…"));
    return withMargins(QSize(std::min(ellipsis, metrics.horizontalAdvance(oneLine(text()))), metrics.height()));
}

void TextLabel::paintEvent(QPaintEvent* event)
{
    if (!m_oneLine) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const auto align = QStyle::visualAlignment(layoutDirection(), alignment());
    style()->drawItemText(&painter, textRoom(), int(align), palette(), isEnabled(), shownText(), foregroundRole());
}

void setTextColor(QLabel* label, TextColor color)
{
    const bool following = label->property(colorRoleProperty).isValid();
    label->setProperty(colorRoleProperty, static_cast<int>(color));
    paintInRole(label);
    if (!following)
        QObject::connect(&Theme::shared(), &Theme::changed, label, [label] { paintInRole(label); });
}

TextLabel* makeLabel(const QString& text, TextStyle style, QFont::Weight weight, TextColor color, QWidget* parent)
{
    auto* label = new TextLabel(text, parent);
    label->setFont(Theme::shared().font(style, weight));
    // A label in the window's text colour takes it from the application, as it changes.
    if (color != TextColor::Primary)
        setTextColor(label, color);
    return label;
}

TextLabel* makeLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    return makeLabel(text, style, Theme::shared().font(style).weight(), color, parent);
}

TextLabel* makeWrappedLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    auto* label = makeLabel(text, style, color, parent);
    label->setWordWrap(true);
    return label;
}

TextLabel* makeOneLineLabel(const QString& text, TextStyle style, TextColor color, QWidget* parent)
{
    auto* label = makeLabel(text, style, color, parent);
    label->setOneLine(true);
    return label;
}

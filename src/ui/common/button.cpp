#include "button.h"

#include "icons.h"
#include "theme.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int iconSpacing = 6;
} // namespace

Button::Button(const QString& text, Style style, QWidget* parent)
    : QPushButton(text, parent)
    , m_style(style)
    , m_spinner(this)
{
    setAutoDefault(false);
    setDefault(false);
    // As on the desktop it comes from, a click does not take the focus (Tab still does): a button
    // that turns busy after its click would otherwise pass the focus on, and a scrolling screen
    // would jump to whatever control takes it.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QPushButton::setFont(
        Theme::of(this).font(TextStyle::Body, style == Style::Prominent ? QFont::Medium : QFont::Normal));
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void Button::setButtonStyle(Style style)
{
    m_style = style;
    updateGeometry();
    update();
}

void Button::setControlSize(Size size)
{
    m_size = size;
    updateGeometry();
    update();
}

void Button::setTint(std::optional<TextColor> tint)
{
    m_tint = tint;
    update();
}

void Button::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void Button::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    m_spinner.setRunning(busy);
    updateGeometry();
    update();
}

void Button::setLabelWidth(int width)
{
    m_labelWidth = width;
    updateGeometry();
}

int Button::controlHeight() const
{
    if (m_style == Style::Link)
        return fontMetrics().height() + 4;
    return m_size == Size::Large ? 38 : 30;
}

int Button::contentWidth() const
{
    const auto fm = fontMetrics();
    int width = fm.horizontalAdvance(text());
    const int glyph = fm.height() - 2;
    if (!m_symbol.isEmpty() && Icons::exists(m_symbol))
        width += glyph + (text().isEmpty() ? 0 : iconSpacing);
    if (m_busy)
        width += glyph + iconSpacing;
    return qMax(width, m_labelWidth);
}

QSize Button::sizeHint() const
{
    const int padding = m_style == Style::Link ? 2 : (m_size == Size::Large ? 20 : 14);
    return {contentWidth() + 2 * padding, controlHeight()};
}

QSize Button::minimumSizeHint() const { return sizeHint(); }

QColor Button::textColor() const
{
    const auto& p = Theme::of(this).palette();
    switch (m_style) {
    case Style::Prominent:
        return p.onAccent;
    case Style::Bordered:
        return p.text;
    case Style::Plain:
        return p.color(m_tint.value_or(TextColor::Primary));
    case Style::Link:
        return p.color(m_tint.value_or(TextColor::Accent));
    }
    return p.text;
}

void Button::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void Button::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void Button::paintEvent(QPaintEvent*)
{
    const auto& p = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const bool pressed = isDown();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = m_size == Size::Large ? Spacing::controlRadius + 1 : Spacing::controlRadius;

    switch (m_style) {
    case Style::Prominent: {
        QColor fill = p.color(m_tint.value_or(TextColor::Accent));
        if (!enabled)
            fill.setAlphaF(0.4);
        else if (pressed)
            fill = fill.darker(115);
        else if (m_hovered)
            fill = fill.lighter(108);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(frame, radius, radius);
        break;
    }
    case Style::Bordered: {
        painter.setPen(QPen(p.controlBorder, 1));
        painter.setBrush(p.control);
        painter.drawRoundedRect(frame, radius, radius);
        if (enabled && (pressed || m_hovered)) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(pressed ? p.controlHover.darker(120) : p.controlHover);
            painter.drawRoundedRect(frame, radius, radius);
        }
        break;
    }
    case Style::Plain:
        if (enabled && (pressed || m_hovered)) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(p.controlHover);
            painter.drawRoundedRect(frame, radius, radius);
        }
        break;
    case Style::Link:
        break;
    }
    // The ring marks focus reached from the keyboard only, as desktop styles do.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange) && m_style != Style::Link) {
        QColor ring = p.accent;
        ring.setAlphaF(0.5);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }

    QColor fg = textColor();
    if (!enabled && m_style != Style::Prominent)
        fg = p.tertiaryText;
    const auto fm = fontMetrics();
    const int glyph = fm.height() - 2;
    const bool hasIcon = !m_symbol.isEmpty() && Icons::exists(m_symbol);
    int natural = fm.horizontalAdvance(text());
    if (hasIcon)
        natural += glyph + (text().isEmpty() ? 0 : iconSpacing);
    if (m_busy)
        natural += glyph + iconSpacing;
    qreal x = (width() - natural) / 2.0;
    const qreal cy = rect().center().y() + 0.5;
    if (m_busy) {
        Spinner::paint(painter, QRectF(x, cy - glyph / 2.0, glyph, glyph), fg, m_spinner.step());
        x += glyph + iconSpacing;
    }
    if (hasIcon) {
        painter.drawPixmap(QPointF(x, cy - glyph / 2.0), Icons::pixmap(m_symbol, fg, glyph, devicePixelRatioF()));
        x += glyph + (text().isEmpty() ? 0 : iconSpacing);
    }
    QFont f = font();
    if (m_style == Style::Link && m_hovered && enabled)
        f.setUnderline(true);
    painter.setFont(f);
    painter.setPen(fg);
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

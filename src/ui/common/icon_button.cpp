#include "icon_button.h"

#include "icons.h"
#include "theme.h"

#include <QPainter>

IconButton::IconButton(const QString& symbol, int symbolSize, QWidget* parent)
    : QToolButton(parent)
    , m_symbol(symbol)
    , m_symbolSize(symbolSize)
{
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void IconButton::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void IconButton::setTint(TextColor tint)
{
    m_tint = tint;
    update();
}

void IconButton::setBadgeVisible(bool visible)
{
    m_badge = visible;
    update();
}

QSize IconButton::sizeHint() const
{
    const int side = m_symbolSize + 12;
    return {side, side};
}

void IconButton::paintEvent(QPaintEvent*)
{
    const auto& p = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isEnabled() && (underMouse() || isDown())) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(isDown() ? p.controlHover.darker(130) : p.controlHover);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
    QColor color = p.color(m_tint);
    if (!isEnabled())
        color = p.tertiaryText;
    const QRectF glyph(QPointF((width() - m_symbolSize) / 2.0, (height() - m_symbolSize) / 2.0),
                       QSizeF(m_symbolSize, m_symbolSize));
    painter.drawPixmap(glyph.topLeft(), Icons::pixmap(m_symbol, color, m_symbolSize, devicePixelRatioF()));
    if (m_badge) {
        // A 7 px dot centred on the symbol's top-trailing corner, moved 3 px out, kept inside the button.
        const QPointF centre(qMin(glyph.right() + 3, width() - 3.5), qMax(glyph.top() - 3, 3.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(p.red);
        painter.drawEllipse(centre, 3.5, 3.5);
    }
}

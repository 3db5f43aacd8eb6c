#include "avatar_badge.h"

#include <QPainter>

AvatarBadge::AvatarBadge(const QString& letter, int diameter, qreal fillOpacity, QWidget* parent)
    : QWidget(parent)
    , m_letter(letter)
    , m_fillOpacity(fillOpacity)
{
    setFixedSize(diameter, diameter);
    setAccessibleName(letter);
}

void AvatarBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The application palette's highlight is the theme's accent.
    QColor fill = palette().color(QPalette::Highlight);
    const QColor letterColor = m_fillOpacity < 0.5 ? fill : palette().color(QPalette::HighlightedText);
    fill.setAlphaF(m_fillOpacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(rect()));

    QFont font = this->font();
    font.setPixelSize(height() * 2 / 5);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(letterColor);
    painter.drawText(rect(), Qt::AlignCenter, m_letter);
}

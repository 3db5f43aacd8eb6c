#include "wrapped_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace {
// Widths asked of one text are few (its row's widths as a window is resized); past this many the
// kept sizes start again, so that a long drag does not keep one for every pixel.
constexpr qsizetype keptSizes = 32;
} // namespace

void WrappedText::setText(const QString& text)
{
    if (text.isSharedWith(m_text) || text == m_text)
        return;
    m_text = text;
    // A line feed ends a line, as a label draws it.
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    m_layout.setText(lines);
    forget();
}

void WrappedText::setFont(const QFont& font)
{
    if (font == m_font)
        return;
    m_font = font;
    m_layout.setFont(font);
    forget();
}

void WrappedText::setDirection(Qt::LayoutDirection direction)
{
    if (direction == m_direction)
        return;
    m_direction = direction;
    auto option = m_layout.textOption();
    option.setTextDirection(direction);
    m_layout.setTextOption(option);
    forget();
}

void WrappedText::forget()
{
    m_linesWidth = -1;
    m_sizes.clear();
    m_widestWord = -1;
}

WrappedText::Size WrappedText::sizeAt(int width)
{
    width = std::max(width, 1);
    if (const auto kept = m_sizes.constFind(width); kept != m_sizes.cend())
        return *kept;
    if (m_sizes.size() >= keptSizes)
        m_sizes.clear();
    const auto size = layOut(width, QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_sizes.insert(width, size);
    return size;
}

int WrappedText::widestWord()
{
    if (m_widestWord < 0)
        m_widestWord = layOut(0, QTextOption::WordWrap).width;
    return m_widestWord;
}

WrappedText::Size WrappedText::layOut(int width, QTextOption::WrapMode wrap)
{
    if (width == m_linesWidth && wrap == m_linesWrap)
        return m_linesSize;
    auto option = m_layout.textOption();
    option.setWrapMode(wrap);
    m_layout.setTextOption(option);
    // Lines on whole pixels, the font's leading between them, as a label places them.
    const qreal leading = QFontMetricsF(m_font).leading();
    qreal height = -leading;
    qreal widest = 0;
    m_layout.beginLayout();
    for (auto line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
        line.setLineWidth(width);
        height = qCeil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    m_layout.endLayout();
    m_linesWidth = width;
    m_linesWrap = wrap;
    m_linesSize = {qCeil(widest), qCeil(height)};
    return m_linesSize;
}

void WrappedText::draw(QPainter& painter, const QRect& room, Qt::Alignment alignment, const QRect& exposed)
{
    const auto size = layOut(std::max(room.width(), 1), QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto option = m_layout.textOption();
    option.setAlignment(alignment & Qt::AlignHorizontal_Mask);
    m_layout.setTextOption(option);
    int top = room.top();
    if (alignment & Qt::AlignBottom)
        top = room.bottom() + 1 - size.height;
    else if (alignment & Qt::AlignVCenter)
        top += (room.height() - size.height) / 2;
    const QPointF origin(room.left(), top);
    for (int i = 0; i < m_layout.lineCount(); ++i) {
        const auto line = m_layout.lineAt(i);
        // Each line within its own height: marks stacked on one letter (a hostile text puts
        // hundreds on it) would draw over the lines around it and out of the room.
        const QRectF box(exposed.left(), origin.y() + line.y(), exposed.width(), line.height());
        if (!box.intersects(QRectF(exposed)))
            continue;
        painter.save();
        painter.setClipRect(box, Qt::IntersectClip);
        line.draw(&painter, origin);
        painter.restore();
    }
}

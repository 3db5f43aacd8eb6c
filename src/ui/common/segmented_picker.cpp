#include "segmented_picker.h"

#include "theme.h"

#include <QMouseEvent>
#include <QPainter>

SegmentedPicker::SegmentedPicker(const QStringList& segments, QWidget* parent)
    : QWidget(parent)
    , m_segments(segments)
{
    setFont(Theme::of(this).font(TextStyle::Caption));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void SegmentedPicker::setCurrentIndex(int index)
{
    m_current = index;
    update();
}

QRect SegmentedPicker::segmentRect(int index) const
{
    const int count = std::max<int>(1, int(m_segments.size()));
    const int left = width() * index / count;
    const int right = width() * (index + 1) / count;
    return QRect(left, 0, right - left, height());
}

QSize SegmentedPicker::sizeHint() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const auto& segment : m_segments)
        widest = std::max(widest, metrics.horizontalAdvance(segment));
    return {int(m_segments.size()) * (widest + 20), metrics.height() + 8};
}

void SegmentedPicker::paintEvent(QPaintEvent*)
{
    const auto& colors = Theme::of(this).palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.control);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
    for (int i = 0; i < m_segments.size(); ++i) {
        const QRectF segment = QRectF(segmentRect(i)).adjusted(2, 2, -2, -2);
        if (i == m_current) {
            painter.setPen(QPen(colors.controlBorder, 0.5));
            painter.setBrush(colors.card);
            painter.drawRoundedRect(segment, 5, 5);
        }
        painter.setPen(i == m_current ? colors.text : colors.secondaryText);
        painter.drawText(segment, Qt::AlignCenter, m_segments.at(i));
    }
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < m_segments.size(); ++i) {
        if (segmentRect(i).contains(event->position().toPoint()) && i != m_current) {
            setCurrentIndex(i);
            emit activated(i);
            return;
        }
    }
}

#include "speed_graph_view.h"

#include "platform/text_table.h"
#include "speed_graph_geometry.h"
#include "ui/common/theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

void drawSeries(QPainter& painter, const QPolygonF& area, const QPolygonF& line, const QColor& color)
{
    if (line.isEmpty())
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(color, 0.08));
    painter.drawPolygon(area, Qt::WindingFill);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(color, 0.6), 1.5));
    painter.drawPolyline(line);
}

} // namespace

SpeedGraphView::SpeedGraphView(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(72);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void SpeedGraphView::setData(const QList<qint64>& downData, const QList<qint64>& upData)
{
    if (downData == m_downData && upData == m_upData)
        return;
    m_downData = downData;
    m_upData = upData;
    m_stale = true;
    repaintIfStale();
}

bool SpeedGraphView::onScreen() const { return isVisible() && !window()->isMinimized(); }

void SpeedGraphView::repaintIfStale()
{
    if (!m_stale || !onScreen())
        return;
    m_stale = false;
    update();
}

void SpeedGraphView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window may be a new one after the dashboard was moved into its host.
    window()->installEventFilter(this);
    repaintIfStale();
}

bool SpeedGraphView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::WindowStateChange)
        repaintIfStale();
    return QWidget::eventFilter(watched, event);
}

void SpeedGraphView::paintEvent(QPaintEvent*)
{
    const auto& colors = Theme::of(this).palette();
    const QSizeF size = this->size();
    const auto geometry = SpeedGraphGeometry::compute(m_downData, m_upData, size);
    constexpr qreal inset = SpeedGraphGeometry::inset;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), size), 8, 8);
    painter.setClipPath(clip);
    painter.fillRect(rect(), withAlpha(palette().color(QPalette::Base), 0.3));

    painter.setPen(QPen(withAlpha(colors.gray, 0.08), 0.5));
    for (const qreal y : geometry.gridLines)
        painter.drawLine(QPointF(inset, y), QPointF(size.width() - inset, y));

    drawSeries(painter, geometry.downArea, geometry.downLine, colors.blue);
    drawSeries(painter, geometry.upArea, geometry.upLine, colors.orange);

    QFont legendFont = font();
    legendFont.setPixelSize(8);
    painter.setFont(legendFont);
    painter.setPen(withAlpha(colors.gray, 0.4));
    const QRectF legendArea(inset, inset, size.width() - 2 * inset, size.height() - 2 * inset);
    painter.drawText(legendArea, Qt::AlignTop | Qt::AlignRight, i18n::tr(QStringLiteral("↓ ↑")));
}

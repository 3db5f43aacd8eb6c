#include "spinner.h"

#include "theme.h"

#include <QEvent>
#include <QtMath>

namespace {
constexpr int spokes = 12;
constexpr int frameMs = 80;
} // namespace

SpinnerAnimation::SpinnerAnimation(QWidget* host)
    : m_host(host)
{
    m_timer.setInterval(frameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        m_host->update();
    });
    host->installEventFilter(this);
}

void SpinnerAnimation::setRunning(bool running)
{
    m_running = running;
    sync();
}

bool SpinnerAnimation::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        sync();
    return QObject::eventFilter(watched, event);
}

void SpinnerAnimation::sync()
{
    // A hidden host (another page, a closed sheet, a minimised window) costs no repaints.
    if (m_running && m_host->isVisible())
        m_timer.start();
    else
        m_timer.stop();
}

Spinner::Spinner(int diameter, QWidget* parent)
    : QWidget(parent)
    , m_animation(this)
{
    setFixedSize(diameter, diameter);
    m_animation.setRunning(true);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

void Spinner::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void Spinner::paint(QPainter& painter, const QRectF& rect, const QColor& color, int step)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(rect.width(), rect.height()) / 2.0;
    painter.translate(rect.center());
    QPen pen(color);
    pen.setWidthF(qMax(1.5, radius * 0.17));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < spokes; ++i) {
        // The leading spoke is solid; the ones behind it fade out.
        const int age = (step - i + spokes) % spokes;
        QColor c = color;
        c.setAlphaF(color.alphaF() * (1.0 - age / qreal(spokes) * 0.85));
        pen.setColor(c);
        painter.setPen(pen);
        const qreal angle = 2.0 * M_PI * i / spokes;
        const QPointF dir(qSin(angle), -qCos(angle));
        painter.drawLine(dir * radius * 0.5, dir * (radius - pen.widthF() / 2.0));
    }
    painter.restore();
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, rect(), m_color.isValid() ? m_color : Theme::of(this).palette().secondaryText, m_animation.step());
}

#include "screen_timer.h"

SystemScreenTimer::SystemScreenTimer(QObject* owner)
    : ScreenTimer(owner)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ScreenTimer::timeout);
}

void SystemScreenTimer::start(std::chrono::milliseconds interval, bool repeating)
{
    m_timer.setSingleShot(!repeating);
    m_timer.start(interval);
}

void SystemScreenTimer::stop() { m_timer.stop(); }

bool SystemScreenTimer::isActive() const { return m_timer.isActive(); }

#include "order_poll.h"

#include "api/api_service.h"
#include "platform/while_alive.h"

TimerBeat::TimerBeat(std::chrono::milliseconds interval)
{
    m_timer.setInterval(interval);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_tick)
            m_tick();
    });
}

void TimerBeat::start(std::function<void()> tick)
{
    m_tick = std::move(tick);
    m_timer.start();
}

void TimerBeat::stop()
{
    m_timer.stop();
    m_tick = nullptr;
}

OrderPoll::OrderPoll(ApiService& api, std::unique_ptr<PollBeat> beat, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_beat(std::move(beat))
{
}

void OrderPoll::start(qint64 orderId)
{
    m_beat->stop();
    m_orderId = orderId;
    m_beat->start([this] { tick(); });
}

void OrderPoll::stop() { m_beat->stop(); }

void OrderPoll::tick()
{
    if (!m_orderId || m_inFlight == m_orderId)
        return;
    const auto orderId = *m_orderId;
    m_inFlight = orderId;
    whileAlive(
        this, m_api.fetchOrderStatus(orderId),
        [this, orderId](const OrderStatusResult& result) {
            endAsk(orderId);
            emit answered(orderId, result);
        },
        // Transport and decoding failures are silent: the next beat asks again.
        [this, orderId](const std::exception&) { endAsk(orderId); });
}

void OrderPoll::endAsk(qint64 orderId)
{
    if (m_inFlight == orderId)
        m_inFlight.reset();
}

#pragma once

#include "api/records/plan_records.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class ApiService;

// The beat of the order-status poll: calls back every interval until stopped. Tests drive a
// fake one by hand.
class PollBeat {
public:
    virtual ~PollBeat() = default;
    virtual void start(std::function<void()> tick) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
};

// The real beat: a repeating timer, first firing one interval after the start.
class TimerBeat final : public PollBeat {
public:
    explicit TimerBeat(std::chrono::milliseconds interval = std::chrono::milliseconds(3000));
    void start(std::function<void()> tick) override;
    void stop() override;
    bool isRunning() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_tick;
};

// Asks the service for one order's status on every beat, until stopped; at most one poll runs,
// and a new start replaces it. A beat while the previous request is still out asks nothing, so
// a slow service is not piled up with requests. Each answer names the order it is for: the
// owner applies only answers for the order it shows. Failed requests are silent.
class OrderPoll : public QObject {
    Q_OBJECT
public:
    OrderPoll(ApiService& api, std::unique_ptr<PollBeat> beat, QObject* parent = nullptr);

    void start(qint64 orderId);
    void stop();
    bool isRunning() const { return m_beat->isRunning(); }
    std::optional<qint64> orderId() const { return m_orderId; }

signals:
    void answered(qint64 orderId, const OrderStatusResult& result);

private:
    void tick();
    // The ask for `orderId` has been answered, or has failed.
    void endAsk(qint64 orderId);

    ApiService& m_api;
    std::unique_ptr<PollBeat> m_beat;
    std::optional<qint64> m_orderId;
    std::optional<qint64> m_inFlight; // the order whose request is out
};

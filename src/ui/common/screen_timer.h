#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// A timer a screen owns (as its child, so it stops and goes with the screen). The application
// gives screens system timers; tests give them timers they fire by hand.
class ScreenTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // (Re)starts the timer: the first timeout comes one interval from now, and a one-shot timer
    // fires once. Starting again replaces the earlier run.
    virtual void start(std::chrono::milliseconds interval, bool repeating) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

// Makes a screen's timer as a child of `owner`.
using ScreenTimerFactory = std::function<ScreenTimer*(QObject* owner)>;

// A timer of the event loop.
class SystemScreenTimer final : public ScreenTimer {
    Q_OBJECT
public:
    explicit SystemScreenTimer(QObject* owner);

    void start(std::chrono::milliseconds interval, bool repeating) override;
    void stop() override;
    bool isActive() const override;

    static ScreenTimer* make(QObject* owner) { return new SystemScreenTimer(owner); }

private:
    QTimer m_timer;
};

#pragma once

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <chrono>

// Waits for checks that something did NOT happen: each ends once the moment it would have
// happened has passed, rather than after a guessed pause.

// Delivers what is already posted: queued calls and the work they post in turn.
inline void deliverPostedEvents()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

// Runs the event loop until the timers started so far with at most `delay` have fired (and what
// they posted is delivered): a timer started now with twice the delay fires after them.
inline void waitPastTimers(std::chrono::milliseconds delay)
{
    bool passed = false;
    QTimer::singleShot(delay * 2, [&passed] { passed = true; });
    if (!QTest::qWaitFor([&passed] { return passed; }, int(delay.count()) * 2 + 5000))
        qWarning("waitPastTimers: the event loop did not reach the timer");
    deliverPostedEvents();
}

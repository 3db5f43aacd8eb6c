#pragma once

#include "stand_in_world.h"
#include "support/scoped_language.h"
#include "support/scoped_theme.h"
#include "ui/common/screen_timer.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// A timer a test fires by hand: it records how it was started and fires only when told.
class ManualTimer final : public ScreenTimer {
    Q_OBJECT
public:
    using ScreenTimer::ScreenTimer;

    void start(std::chrono::milliseconds interval, bool repeating) override
    {
        m_active = true;
        m_interval = interval;
        m_repeating = repeating;
        ++m_starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    std::chrono::milliseconds interval() const { return m_interval; }
    bool isRepeating() const { return m_repeating; }
    int starts() const { return m_starts; }
    // One period passes: a running timer times out (a one-shot one stops first).
    void fire()
    {
        if (!m_active)
            return;
        if (!m_repeating)
            m_active = false;
        emit timeout();
    }

private:
    bool m_active = false;
    bool m_repeating = false;
    std::chrono::milliseconds m_interval{0};
    int m_starts = 0;
};

// The community screens' world: the stand-in service on 127.0.0.1 with its seeded account signed
// in through a client of the test's own, hand-fired timers, and a window to open sheets over.
class CommunityWorld : public StandInWorld {
public:
    CommunityWorld();
    ~CommunityWorld();

    // Makes the screens' timers as hand-fired ones, remembered in `timers`.
    ScreenTimerFactory manualTimers();
    ManualTimer* lastTimer() const { return timers.isEmpty() ? nullptr : timers.last().data(); }

    // The path's next `times` answers (-1: all) to `method` (empty: any) take `delay`.
    void delayAnswers(const QString& path, std::chrono::milliseconds delay, int times = -1,
                      const QByteArray& method = {});
    // The path answers `status` with `body` instead of the service.
    void answer(const QString& path, int status, const QByteArray& body, const QByteArray& method = {});
    // The path's requests get no answer: the connection closes (a transport failure).
    void dropAnswers(const QString& path);

    // The look the application installs at start.
    ScopedTheme look;
    QWidget window;
    QList<QPointer<ManualTimer>> timers;
};

// Lets posted deliveries, deferred deletions and layouts run.
void settle();

// Opens a sheet that loads (any with isLoading()) over `window` and waits for its first load.
template <typename Sheet>
Sheet* openLoaded(QWidget& window, typename Sheet::Services services)
{
    auto* sheet = new Sheet(std::move(services), &window);
    sheet->open();
    CommunityWorld::waitUntil([sheet] { return !sheet->isLoading(); });
    settle();
    return sheet;
}

// The values of the summary boxes inside `screen`, in order.
QStringList statValues(QWidget* screen);

// Sets the interface language (and the theme's CJK face) for a scope, and back to Chinese.
struct LanguageScope {
    explicit LanguageScope(AppLanguage language);
    ~LanguageScope();

    ScopedLanguage lookups;
    // The theme applied when the scope began.
    Theme& theme;
};

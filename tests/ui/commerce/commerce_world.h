#pragma once

#include "app/app_events.h"
#include "stand_in_world.h"
#include "support/event_waits.h"
#include "support/scoped_language.h"
#include "support/scoped_theme.h"
#include "ui/commerce/commerce_services.h"
#include "ui/commerce/order_poll.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

#include <functional>
#include <memory>

// The beat of a poll that a test drives by hand; the control outlives the poll that uses it.
class FakeBeat final : public PollBeat {
public:
    struct Control {
        bool running = false;
        int starts = 0;
        std::function<void()> tick;
        // One beat, as the timer would give it; nothing while stopped.
        void fire()
        {
            if (running && tick)
                tick();
        }
    };

    explicit FakeBeat(std::shared_ptr<Control> control)
        : m_control(std::move(control))
    {
    }
    ~FakeBeat() override { stop(); }
    void start(std::function<void()> tick) override
    {
        m_control->running = true;
        ++m_control->starts;
        m_control->tick = std::move(tick);
    }
    void stop() override
    {
        m_control->running = false;
        m_control->tick = nullptr;
    }
    bool isRunning() const override { return m_control->running; }

private:
    std::shared_ptr<Control> m_control;
};

// The commerce sheets' world: the stand-in service on 127.0.0.1 with the seeded account signed
// in, a notifier of its own, and the order poll on a hand-driven beat. Orders carry QR images
// drawn by the screens' own encoder.
class CommerceWorld : public StandInWorld {
public:
    CommerceWorld();

    CommerceServices services();
    // A price list of editions and other plans, as a service with editions sends it.
    static QJsonArray editionPlans();
    // The JSON bodies of the POSTs to `path`, in order.
    QList<QJsonObject> postsTo(const QString& path) const;
    // A PNG of a QR code carrying `text`.
    // The texts zbarimg reads from an image file; empty when it finds no code.
    static QStringList decodeQr(const QString& imagePath);

    // The application's look, as its shell installs it.
    ScopedTheme look;
    AppEvents notifier;
    std::shared_ptr<FakeBeat::Control> beat = std::make_shared<FakeBeat::Control>();
    static inline const QString serviceAddress = QStringLiteral("https://velmorand.example");
};

// Overrides of the stand-in's answers: this answer once; the service's own answer once after a
// delay; the connection closed unanswered (Qt sends an idempotent GET a second time by itself,
// so a GET needs two to fail).
StandInService::Override answerOnce(int status, const QByteArray& body,
                                    const QByteArray& contentType = "application/json");
StandInService::Override slowOnce(std::chrono::milliseconds delay);
StandInService::Override droppedConnection(int times = 1);

// Presses a sheet's close button in its title bar.
void clickClose(QWidget& sheet);

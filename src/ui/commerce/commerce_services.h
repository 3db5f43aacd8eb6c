#pragma once

#include <QString>

#include <functional>
#include <memory>

class ApiService;
class AppEvents;
class PollBeat;
class Theme;

// What the purchase, subscription and converter sheets use, filled by their host.
struct CommerceServices {
    // The signed-in client. Each sheet talks through a client of its own carrying this one's
    // session, so that its requests end when it closes.
    ApiService& api;
    Theme& theme;
    // Told "refreshProfile" after a completed purchase.
    AppEvents& notifier;
    // The service's main https address (the first default entry of the domain pool), the base of
    // the subscription link.
    QString serviceAddress;
    // The order-status poll's beat; a 3.0 s timer when empty.
    std::function<std::unique_ptr<PollBeat>()> makePollBeat = {};
};

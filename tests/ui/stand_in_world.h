#pragma once

#include "api/api_service.h"
#include "platform/app_language.h"
#include "stand_in_service/stand_in_service.h"
#include "support/temp_settings.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

// What the screens' worlds share: the in-process stand-in service on 127.0.0.1, a settings store
// of the test's own and a client of the service over it. (The process's configuration and state
// directories are throwaway ones: isolated_config.cpp.)
class StandInWorld {
public:
    StandInWorld();

    // A new client of the stand-in service (or of `baseUrl`).
    std::unique_ptr<ApiService> makeApi(std::optional<QString> baseUrl = std::nullopt);
    // Signs the seeded account in through `api`.
    void signInClient();

    static void waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000)
    {
        ASSERT_TRUE(QTest::qWaitFor(condition, timeoutMs));
    }
    // Waits until every answer `api` was sent has reached whoever asked and what they did with it
    // has run.
    void waitUntilAnswersHandled() const;

    StandInService service;
    quint16 port = 0;
    TempSettings settings;
    std::unique_ptr<ApiService> api;
};

// The three interface languages with a short name for file names.
inline const std::pair<AppLanguage, const char*> kLanguages[]
    = {{AppLanguage::zh, "zh"}, {AppLanguage::en, "en"}, {AppLanguage::ja, "ja"}};

// The looks a screen is rendered in for a person to look at: every language in the light
// appearance, and Chinese in the dark one as well. `name` goes into file names.
struct Look {
    AppLanguage language;
    const char* appearance;
    const char* name;
};
inline const Look kLooks[] = {{AppLanguage::zh, "light", "zh"},
                              {AppLanguage::en, "light", "en"},
                              {AppLanguage::ja, "light", "ja"},
                              {AppLanguage::zh, "dark", "zh-dark"}};

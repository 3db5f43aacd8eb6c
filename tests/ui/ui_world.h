#pragma once

#include "app/app_events.h"
#include "app/app_state.h"
#include "app/keychain_helper.h"
#include "app/startup_rules.h"
#include "app/url_opener.h"
#include "platform/app_language.h"
#include "platform/fakes/fake_biometric_auth.h"
#include "platform/fakes/memory_secret_store.h"
#include "platform/fakes/recording_user_notifier.h"
#include "platform/language_manager.h"
#include "recording_engine.h"
#include "stand_in_world.h"
#include "support/event_waits.h"
#include "support/scoped_theme.h"
#include "support/fake_vpn_connection.h"
#include "ui/account/forgot_password_view.h"
#include "ui/account/login_form.h"
#include "ui/shell/content_view.h"
#include "ui/shell/session_lock_watcher.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

class RecordingUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override { opened.append(url); }
    QList<QUrl> opened;
};

// The screens' world over the in-process stand-in service: a settings store, keychain and debug
// log of their own, a connection that only records what it is asked, a biometric sensor and
// desktop notices that record.
// Lets queued face rebuilds, layouts and posted deliveries run.
inline void settle() { deliverPostedEvents(); }

class UiWorld : public StandInWorld {
public:
    UiWorld();
    ~UiWorld();

    // The shared state over another client, e.g. one whose service is unreachable.
    void useApi(std::unique_ptr<ApiService> client);

    LoginForm::Services loginServices();
    // The password-reset sheet waits for ticks of `clock` instead of seconds, when given.
    ForgotPasswordView::Services resetServices(class ManualClock* clock = nullptr);
    ContentView::Services contentServices();

    // Signs the seeded account in and waits for the profile and node list.
    void signIn();
    Node node(qint64 id, const QString& status = QStringLiteral("online"),
              std::optional<qint64> delay = std::nullopt) const;

    MemorySecretStore secrets;
    KeychainHelper keychain{secrets};
    // What the screens and the start-up rules ask to connect or disconnect lands here.
    FakeVpnConnection vpn;
    // Only for what the start-up rules take over or clear at launch.
    RecordingEngine engine{*settings.store};
    AppEvents hub;
    // The lookups' language while the world lives.
    LanguageManager language{*settings.store};
    FakeBiometricAuth biometric;
    // The look the shell hands to the window's root, which applies it.
    ScopedTheme look;
    RecordingUserNotifier notifier;
    RecordingUrlOpener urlOpener;
    SessionLockWatcher sessionWatcher;
    QTemporaryDir logDir;
    std::unique_ptr<AppState> appState;
    // Connecting through `vpn`, with short waits.
    std::unique_ptr<StartupRules> startup;
};

// A clock that a test moves on by hand: each tick() ends one wait.
class ManualClock : public QObject {
    Q_OBJECT
public:
    int waiting() const { return m_waiting; }
    // Ends the current wait and lets the waiting task run until it waits again.
    void tick();

    QCoro::Task<> wait();

signals:
    void ticked();

private:
    int m_waiting = 0;
};

// Sets the interface language for a test and back to Chinese at its end.
struct LanguageScope {
    LanguageScope(LanguageManager& manager, AppLanguage language)
        : manager(manager)
    {
        manager.setLanguage(language);
    }
    ~LanguageScope() { manager.setLanguage(AppLanguage::zh); }
    LanguageManager& manager;
};

#pragma once

#include "ui/common/sheet_dialog.h"

#include <QCoroTask>
#include <QCoroTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class ApiService;
class AppState;
class Button;
class QLabel;
class QLineEdit;
class QStackedWidget;
class SettingsStore;

// The password reset sheet: ask for the e-mail and send a code, enter the code and the new
// password twice, confirm. At the end the e-mail and the new password become the remembered
// account. It talks to the service through a client of its own.
class ForgotPasswordView : public SheetDialog {
    Q_OBJECT
public:
    enum class Step { email, reset, done };

    // Waits the given time; the countdown's second.
    using Sleep = std::function<QCoro::Task<>(std::chrono::milliseconds)>;

    struct Services {
        AppState& appState;
        SettingsStore& settings;
        // Makes the sheet's own API client.
        std::function<std::unique_ptr<ApiService>()> makeApi;
        Sleep sleep = [](std::chrono::milliseconds duration) { return QCoro::sleepFor(duration); };
    };

    ForgotPasswordView(Services services, QWidget* parent);
    ~ForgotPasswordView() override;

    Step step() const { return m_step; }
    int cooldown() const { return m_cooldown; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    std::optional<QString> successMessage() const { return m_successMessage; }

    // Counts the new password's length as the user sees it: one per character shown.
    static int visibleLength(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void sendCode();
    void resetPassword();
    void runCooldown();
    void finish();
    void refresh();

    QWidget* buildEmailStep();
    QWidget* buildResetStep();
    QWidget* buildDoneStep();

    Services m_services;
    std::unique_ptr<ApiService> m_api;

    Step m_step = Step::email;
    bool m_isLoading = false;
    bool m_showPassword = false;
    std::optional<QString> m_errorMessage;
    std::optional<QString> m_successMessage;
    int m_cooldown = 0;

    QStackedWidget* m_pages = nullptr;
    QLineEdit* m_email = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_confirmPassword = nullptr;
    QLabel* m_emailError = nullptr;
    QLabel* m_resetSuccess = nullptr;
    QLabel* m_resetError = nullptr;
    Button* m_send = nullptr;
    Button* m_confirm = nullptr;
    Button* m_togglePassword = nullptr;
};

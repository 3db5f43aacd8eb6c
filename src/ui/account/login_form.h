#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppState;
class Button;
class IconButton;
class KeychainHelper;
class QCheckBox;
class QLabel;
class QLineEdit;
class SettingsStore;

// The password field with its show/hide eye beside it.
class PasswordRow : public QWidget {
    Q_OBJECT
public:
    explicit PasswordRow(QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    bool isShown() const { return m_shown; }
    void setShown(bool shown);

private:
    QLineEdit* m_field;
    IconButton* m_eye;
    bool m_shown = false;
};

// What both sign-in screens share: the fields, the remember box and its prefill, the sign-in
// request with its error line, and the password-reset sheet. Each screen lays the widgets out.
class LoginForm : public QObject {
    Q_OBJECT
public:
    struct Services {
        AppState& appState;
        KeychainHelper& keychain;
        SettingsStore& settings;
        // Opens the password-reset sheet over the screen.
        std::function<QWidget*(QWidget* screen)> openForgotPassword;
    };

    // Makes the widgets as children of `screen`.
    LoginForm(Services services, QWidget* screen);

    QLineEdit* emailField() const { return m_email; }
    PasswordRow* passwordRow() const { return m_password; }
    QCheckBox* rememberBox() const { return m_remember; }
    QWidget* errorLine() const { return m_errorLine; }
    Button* signInButton() const { return m_signIn; }
    Button* forgotPasswordButton() const { return m_forgot; }

    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    // The open password-reset sheet, if any.
    QWidget* forgotPasswordSheet() const { return m_forgotSheet; }

    // Fills the remember box, the e-mail and the password from the remembered account.
    void prefillRememberedAccount();
    void login();

signals:
    // A sign-in succeeded and the remembered account is saved.
    void signedIn();

private:
    void refresh();

    Services m_services;
    QWidget* m_screen;
    QLineEdit* m_email;
    PasswordRow* m_password;
    QCheckBox* m_remember;
    QWidget* m_errorLine;
    QLabel* m_errorText;
    Button* m_signIn;
    Button* m_forgot;
    QPointer<QWidget> m_forgotSheet;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
};

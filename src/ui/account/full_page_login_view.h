#pragma once

#include "ui/account/login_form.h"

#include <QUrl>
#include <QWidget>

class UrlOpener;

// The window's whole content while nobody is signed in. After a successful sign-in the main
// window's root replaces it.
class FullPageLoginView : public QWidget {
    Q_OBJECT
public:
    // `registerPage` is opened by the register link.
    FullPageLoginView(LoginForm::Services services, UrlOpener& opener, QUrl registerPage, QWidget* parent = nullptr);

    // The service's sign-up page under its address `baseURL`.
    static QUrl registerPageOf(const QString& baseURL);

    LoginForm& form() const { return *m_form; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    LoginForm* m_form;
    bool m_prefilled = false;
};

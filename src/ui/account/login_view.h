#pragma once

#include "ui/account/login_form.h"
#include "ui/common/sheet_dialog.h"

// The sign-in sheet that the account and settings screens open over themselves. It closes itself
// after a successful sign-in, or on "取消".
class LoginView : public SheetDialog {
    Q_OBJECT
public:
    LoginView(LoginForm::Services services, QWidget* parent);

    LoginForm& form() const { return *m_form; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    LoginForm* m_form;
};

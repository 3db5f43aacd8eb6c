#pragma once

#include "app/auto_updater.h"
#include "app/connection_actions.h"
#include "ui/account/forgot_password_view.h"
#include "ui/account/login_form.h"
#include "ui/commerce/commerce_services.h"
#include "ui/common/theme.h"
#include "ui/nodes/menu_bar_view.h"
#include "ui/shell/app_delegate.h"
#include "ui/shell/content_view.h"
#include "ui/shell/menu_bar_manager.h"
#include "ui/shell/session_lock_watcher.h"
#include "ui/shell/tab_screens.h"
#include "ui/shell/update_dialogs.h"
#include "ui/shell/velmorand_app.h"

class AppContext;

// The windows' side of the application: the long-lived objects only the windows need (the theme,
// the session lock watcher, the updater's dialogs and the updater that uses them), built once after
// the application context and freed before it, and the one place that knows which screen is
// made with what.
class ShellContext {
public:
    explicit ShellContext(AppContext& app);
    ShellContext(const ShellContext&) = delete;
    ShellContext& operator=(const ShellContext&) = delete;

    AutoUpdater& updater() { return m_updater; }

    VelmorandApp::Services appServices();
    AppDelegate::Services delegateServices();
    MenuBarManager::Services menuBarServices();
    ContentView::Services contentServices();
    TabScreenServices tabScreenServices();
    ConnectionControlServices connectionControls();
    LoginForm::Services loginServices();
    ForgotPasswordView::Services resetServices();
    NodesListView::Services nodesServices();
    SettingsView::Services settingsServices();
    ProfileView::Services profileServices();
    MenuBarView::Services popoverServices();
    CommerceServices commerceServices();
    // The sign-in sheet, over `parent`.
    void openSignIn(QWidget* parent);

private:
    AppContext& m_app;
    Theme m_theme;
    SessionLockWatcher m_sessionWatcher;
    UpdateDialogs m_updateDialogs;
    AutoUpdater m_updater;
};

#pragma once

#include "ui/shell/content_view.h"

#include <QObject>

#include <functional>
#include <memory>

class AppDelegate;
class AppState;
class ConnectionNotices;
class LanguageManager;
class MainWindow;
class MenuCommands;
class AppEvents;
class SettingsStore;
class StartupRules;
class Theme;
class UserNotifier;
class VpnConnection;

// The application: its one window with the menu commands, the delegate, and the work done once
// when the window first appears. The window's content is rebuilt whenever "languageChanged" is
// posted, and when the window is opened again after it was closed.
class VelmorandApp : public QObject {
    Q_OBJECT
public:
    struct Services {
        VpnConnection& connection;
        AppState& appState;
        LanguageManager& languageManager;
        // The look, in the interface language, applied before the first widget.
        Theme& theme;
        SettingsStore& settings;
        // Carries "languageChanged" and the menu's navigation requests.
        AppEvents& hub;
        UserNotifier& notifier;
        StartupRules& startup;
        // What a new window content is made of.
        std::function<ContentView::Services()> contentServices;
        std::function<std::unique_ptr<AppDelegate>()> makeDelegate;
        // The two tasks of the window's first appearance: the update check (no notice when
        // up to date) and the discovery of the best API endpoint.
        std::function<void()> checkForUpdate;
        std::function<void()> discoverEndpoint;
    };
    explicit VelmorandApp(Services services, QObject* parent = nullptr);
    ~VelmorandApp() override;

    // Shows the window, runs the delegate's launch sequence and the start-up work. Once.
    void launch();
    // Another launch of the program asked this one to show itself: the delegate's reopen path,
    // and a window already on screen comes to the front as the activated application's would.
    void reopen();

    MainWindow* window() const { return m_window.get(); }
    AppDelegate* delegate() const { return m_delegate.get(); }
    MenuCommands* commands() const { return m_commands; }

private:
    void applyTheme() const;
    void rebuildContent();

    Services m_services;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<AppDelegate> m_delegate;
    MenuCommands* m_commands;
    ConnectionNotices* m_notices;
    bool m_launched = false;
};

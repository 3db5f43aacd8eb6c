#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class MenuBarManager;
class AppEvents;
class QWidget;
class SettingsStore;
class StartupRules;
class UserNotifier;
class VpnConnection;

// What the window scene cannot express: the status item and its icon, the saved window frame,
// notice permission, the start of the launch rules (clean-up and automatic connection), and what
// closing the window and quitting do.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Services {
        SettingsStore& settings;
        VpnConnection& connection;
        // Carries the connection state and the status item's visibility.
        AppEvents& hub;
        UserNotifier& notifier;
        StartupRules& startup;
        std::function<std::unique_ptr<MenuBarManager>()> makeMenuBarManager;
        // Ends the application.
        std::function<void()> quit;
    };
    explicit AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence; `window` is the main window, the first of the application's windows.
    void applicationDidFinishLaunching(QWidget* window);
    // Closing the last window never quits by itself: the status item stays.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // The application was asked to show itself again: every window comes to the front.
    void applicationShouldHandleReopen(bool hasVisibleWindows);
    void saveWindowFrame();
    // Called as a window is about to close, while it is still on screen.
    void windowWillClose();
    void applicationWillTerminate();

    MenuBarManager* menuBarManager() const { return m_menuBarManager.get(); }
    // Whether the process lives on without a window (no Dock icon on macOS).
    bool isAccessory() const { return m_accessory; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreWindowFrame();
    void quitIfNothingLeftOnScreen();

    Services m_services;
    std::unique_ptr<MenuBarManager> m_menuBarManager;
    QPointer<QWidget> m_window;
    bool m_accessory = false;
    bool m_terminated = false;
};

#pragma once

#include "app/connection_actions.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

class ApiService;
class MenuBarManager;
class ProcessRunner;
class QWidget;
class SettingsStore;
class UserNotifier;
class VpnManager;

// How long the application delegate waits; tests shorten it.
struct AppDelegateTimings {
    // From launch to the clearing of a left-over system proxy.
    std::chrono::milliseconds proxyClearDelay{1000};
};

// What the window scene cannot express: the status item and its icon, the saved window frame,
// notice permission, a system proxy left behind by an earlier run, the automatic connection at
// launch, and what closing the window and quitting do.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Services {
        SettingsStore& settings;
        VpnManager& vpnManager;
        ApiService& api;
        UserNotifier& notifier;
        // Reads the system proxy settings.
        ProcessRunner& processes;
        ConnectionActions actions;
        std::function<std::unique_ptr<MenuBarManager>()> makeMenuBarManager;
        // Ends the application.
        std::function<void()> quit;
    };
    using Timings = AppDelegateTimings;

    static Services sharedServices();

    explicit AppDelegate(Services services, Timings timings = {}, QObject* parent = nullptr);
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
    void clearLeftoverSystemProxy();
    void quitIfNothingLeftOnScreen();

    Services m_services;
    Timings m_timings;
    std::unique_ptr<MenuBarManager> m_menuBarManager;
    QPointer<QWidget> m_window;
    bool m_accessory = false;
    bool m_terminated = false;
};

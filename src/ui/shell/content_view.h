#pragma once

#include "api/records/account_records.h"
#include "app/main_tab.h"
#include "ui/shell/app_lock_view.h"
#include "ui/shell/main_toolbar.h"
#include "ui/shell/sidebar_view.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppState;
class BiometricAuth;
class AppEvents;
class SessionLockWatcher;
class SettingsStore;
class Theme;

// The root of the main window. It shows one face at a time (the app lock, the loading face, the
// full-page sign-in, the compact window, or the full window with sidebar, toolbar and the selected
// tab's screen), applies the chosen appearance and accent, and handles tab navigation.
//
// Faces are rebuilt through a queued call: the change that replaces a face often comes from a
// handler of that very face (sign-in, the compact window's expand button).
class ContentView : public QWidget {
    Q_OBJECT
public:
    enum class Face { none, lock, loading, signIn, compact, full };

    struct Services {
        AppState& appState;
        SettingsStore& settings;
        // Takes the chosen appearance and accent.
        Theme& theme;
        BiometricAuth& biometric;
        // Carries the navigation requests.
        AppEvents& hub;
        // Reports display sleep and session locks; none: the lock is never re-armed.
        SessionLockWatcher* sessionWatcher = nullptr;
        // The screens shown in the faces.
        std::function<QWidget*(MainTab tab, QWidget* parent)> makeTabScreen;
        std::function<QWidget*(QWidget* parent)> makeSignIn;
        std::function<QWidget*(QWidget* parent)> makeCompact;
        std::function<QDialog*(const QList<Announcement>& announcements, QWidget* parent)> makeAnnouncements;
    };

    explicit ContentView(Services services, QWidget* parent = nullptr);
    ~ContentView() override;

    Face face() const { return m_face; }
    QWidget* faceWidget() const { return m_faceWidget; }
    MainTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(MainTab tab);
    // The detail screen of the selected tab, in the full face.
    QWidget* detailScreen() const { return m_detail; }
    SidebarView* sidebar() const { return m_sidebar; }
    MainToolbar* toolbar() const { return m_toolbar; }
    AppLockView* lockView() const { return m_lockView; }
    QDialog* announcementsSheet() const { return m_announcementsSheet; }

    bool isUnlocked() const { return m_isUnlocked; }
    std::optional<QString> biometricError() const { return m_biometricError; }
    bool hasUnreadAnnouncements() const;

    // Applies a navigation request.
    void navigateToTab(MainTab tab);

signals:
    void faceChanged(ContentView::Face face);
    void selectedTabChanged(MainTab tab);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Face currentFace() const;
    void scheduleFaceUpdate();
    void updateFace();
    QWidget* buildFace(Face face);
    QWidget* buildLockFace();
    QWidget* buildLoadingFace();
    QWidget* buildFullFace();
    void showDetail();
    void refreshAccount();
    void refreshToolbar();
    void applyTheme();
    void onSettingChanged(const QString& key);

    void addScreenLockObserver();
    void authenticate();
    void lockAgain();
    void setUnlocked(bool unlocked);
    void setBiometricError(const std::optional<QString>& error);
    void openAnnouncements();

    Services m_services;
    Face m_face = Face::none;
    bool m_faceUpdateQueued = false;
    bool m_appeared = false;
    bool m_keyMonitorInstalled = false;
    QPointer<QWidget> m_faceWidget;
    QPointer<AppLockView> m_lockView;
    QPointer<SidebarView> m_sidebar;
    QPointer<MainToolbar> m_toolbar;
    QPointer<QWidget> m_detailHost;
    QPointer<QWidget> m_detail;
    QPointer<QDialog> m_announcementsSheet;

    MainTab m_selectedTab = MainTab::dashboard;
    // The tab a navigation request asked for while the full face was not shown.
    std::optional<MainTab> m_pendingTab;
    bool m_isUnlocked = false;
    std::optional<QString> m_biometricError;
    int m_hasSeenAnnouncements = 0;
};

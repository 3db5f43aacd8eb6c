#pragma once

#include "ui/account/sheet_opener.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class ActionList;
class AppState;
class AppEvents;
class QVBoxLayout;

// The account screen (tab 4): the signed-in user's account, plan with traffic and invitation, or
// a sign-in prompt, above a list of actions that open the account's other screens as sheets,
// clear the cached lists or sign out. It loads nothing itself; it shows what the application
// state holds and reloads the profile when "refreshProfile" is posted (after a purchase).
class ProfileView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppState& appState;
        AppEvents& notifier;
        SheetOpener openSignIn;
        // The screens of the plan, subscription, community and support sheets; an empty opener
        // leaves its entry disabled until the host has that screen.
        SheetOpener openPurchase;
        SheetOpener openSubscription;
        SheetOpener openTrafficLog;
        SheetOpener openInvite;
        SheetOpener openWithdraw;
        SheetOpener openConverter;
        SheetOpener openSupport;
    };

    explicit ProfileView(Services services, QWidget* parent = nullptr);

    ActionList* actionList() const { return m_actions; }
    QWidget* cardsArea() const { return m_cards; }
    QMessageBox* logoutConfirm() const { return m_logoutConfirm; }
    QMessageBox* cacheClearedAlert() const { return m_cacheCleared; }

private:
    void scheduleRebuild();
    void rebuild();
    void buildActions(QWidget* parent);
    void clearCache();
    void confirmLogout();
    // The action of an opener: it opens its sheet over this screen; none without an opener.
    std::function<void()> opening(const SheetOpener& opener);

    Services m_services;
    QVBoxLayout* m_column;
    QWidget* m_cards = nullptr;
    ActionList* m_actions = nullptr;
    bool m_rebuildQueued = false;
    QPointer<QMessageBox> m_logoutConfirm;
    QPointer<QMessageBox> m_cacheCleared;
};

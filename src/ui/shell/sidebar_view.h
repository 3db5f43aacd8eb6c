#pragma once

#include "api/records/account_records.h"
#include "app/main_tab.h"

#include <QList>
#include <QWidget>

#include <optional>

class QLabel;
class QVBoxLayout;
class SidebarEntry;

// The main window's sidebar: the heading, the four tab entries, the subscription summary and the
// account row. It shows what it is given and reports the tab the user picks.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    explicit SidebarView(QWidget* parent = nullptr);

    // Highlights the entry of `tab` (none for the account screen).
    void setSelectedTab(MainTab tab);
    void setAccount(bool isLoggedIn, const std::optional<UserProfileResponse>& profile);

    // The used share of the plan's traffic: none when the plan names no total, the used amount
    // itself when the total is below 1.
    static double trafficFraction(const UserProfileResponse& profile);
    // "<流量>: used/total GB", used with one decimal, total ("--" when absent) with none.
    static QString trafficLine(const UserProfileResponse& profile);
    // The avatar's letter: the e-mail's first character, else the name's, else "V"; upper-cased.
    static QString avatarLetter(const UserProfileResponse& profile);
    // The account row's name: the name, else the e-mail, else the translated "用户".
    static QString displayName(const UserProfileResponse& profile);

signals:
    // An entry (0 to 3) or the account row (4) was chosen.
    void tabSelected(MainTab tab);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildAccount();

    QList<SidebarEntry*> m_entries;
    QVBoxLayout* m_subscription;
    QVBoxLayout* m_accountRow;
    bool m_isLoggedIn = false;
    std::optional<UserProfileResponse> m_profile;
};

#pragma once

#include "../user_notifier.h"

#include <QObject>

// Desktop notices through notify-send; without it notices are left out. Notification servers read
// the body as markup, so a node's name in it is escaped to show as written. When no notification
// service answers, notify-send fails at every notice: the first failure is logged in one line, the
// others are not, and the notices go on being tried, for a service started later.
class DesktopUserNotifier final : public UserNotifier {
public:
    DesktopUserNotifier() = default;
    // A notice posted just before quitting still shows: a second at most is given to the ones
    // still under way.
    ~DesktopUserNotifier() override;
    DesktopUserNotifier(const DesktopUserNotifier&) = delete;
    DesktopUserNotifier& operator=(const DesktopUserNotifier&) = delete;

    void requestPermission() override {}
    void post(const QString& title, const QString& body) override;

    // Whether a notice's notify-send is still running.
    bool hasNoticesUnderWay() const { return m_underWay > 0; }

private:
    void finished(bool failed, const QString& reason);

    QObject m_processes; // the running notify-sends' parent
    int m_underWay = 0;
    bool m_failureLogged = false;
};

#pragma once

#include "../user_notifier.h"

#include <QList>
#include <QPair>

class RecordingUserNotifier final : public UserNotifier {
public:
    void requestPermission() override { ++permissionRequests; }
    void post(const QString& title, const QString& body) override { notices.append({title, body}); }

    int permissionRequests = 0;
    QList<QPair<QString, QString>> notices;
};

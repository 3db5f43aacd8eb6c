#pragma once

#include "app/update_prompts.h"

class AppEvents;

// The updater's alerts (message boxes, the first button the default) and its download window.
class UpdateDialogs final : public UpdatePrompts {
public:
    // The download window follows the download's posts on `notifier`.
    explicit UpdateDialogs(AppEvents& notifier)
        : m_notifier(notifier)
    {
    }

    QCoro::Task<int> alert(QString message, QString informativeText, QStringList buttons) override;
    std::function<void()> openDownloadWindow(const QString& version, std::function<void()> onCancel,
                                             std::function<void()> onInstall) override;

private:
    AppEvents& m_notifier;
};

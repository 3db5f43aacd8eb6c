#pragma once

#include "app/update_prompts.h"

// The updater's alerts (message boxes, the first button the default) and its download window.
class UpdateDialogs final : public UpdatePrompts {
public:
    static UpdateDialogs& shared();

    QCoro::Task<int> alert(QString message, QString informativeText, QStringList buttons) override;
    std::function<void()> openDownloadWindow(const QString& version, std::function<void()> onCancel,
                                             std::function<void()> onInstall) override;
};

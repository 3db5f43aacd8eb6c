#pragma once

#include "app/update_prompts.h"
#include "app/url_opener.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers alerts from a list of button indexes (then -1) and records what was shown.
class ScriptedPrompts final : public UpdatePrompts {
public:
    struct Alert {
        QString message;
        QString informativeText;
        QStringList buttons;
    };
    struct Window {
        QString version;
        std::function<void()> onCancel;
        std::function<void()> onInstall;
        bool closed = false;
    };

    QCoro::Task<int> alert(QString message, QString informativeText, QStringList buttons) override
    {
        alerts.append({message, informativeText, buttons});
        co_return answers.isEmpty() ? -1 : answers.takeFirst();
    }

    std::function<void()> openDownloadWindow(const QString& version, std::function<void()> onCancel,
                                             std::function<void()> onInstall) override
    {
        windows.append({version, std::move(onCancel), std::move(onInstall)});
        const auto index = windows.size() - 1;
        return [this, index] { windows[index].closed = true; };
    }

    QList<int> answers;
    QList<Alert> alerts;
    QList<Window> windows;
};

class RecordingUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override { opened.append(url); }
    QList<QUrl> opened;
};

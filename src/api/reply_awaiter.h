#pragma once

#include <QCoreApplication>
#include <QNetworkReply>
#include <QPointer>

#include <coroutine>
#include <memory>

// Waits for a reply to finish, or to be destroyed unfinished (its client died with it). Either
// way the waiting coroutine is resumed from the event loop afterwards, never inside a signal
// emission or a destruction; it then finds the reply, or null when it is gone. So a destroyed
// client ends its calls instead of leaving them waiting, and nothing of it runs meanwhile.
class ReplyAwaiter {
public:
    explicit ReplyAwaiter(QNetworkReply* reply)
        : m_reply(reply)
    {
    }

    bool await_ready() const noexcept { return !m_reply || m_reply->isFinished(); }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        auto resumeOnce = [waiting, resumed = std::make_shared<bool>(false)] {
            if (std::exchange(*resumed, true))
                return;
            QMetaObject::invokeMethod(QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
        };
        QObject::connect(m_reply, &QNetworkReply::finished, resumeOnce);
        QObject::connect(m_reply, &QObject::destroyed, resumeOnce);
    }

    QNetworkReply* await_resume() const noexcept { return m_reply; }

private:
    QPointer<QNetworkReply> m_reply;
};

#pragma once

#include <QCoreApplication>
#include <QNetworkReply>
#include <QPointer>

#include <coroutine>
#include <memory>

// Waits for a reply to finish. When the reply is destroyed first (its client died with it), the
// waiting coroutine is resumed later from the event loop, never inside the destruction, and
// finds the reply gone; so a destroyed client ends its calls instead of leaving them waiting.
class ReplyAwaiter {
public:
    explicit ReplyAwaiter(QNetworkReply* reply)
        : m_reply(reply)
    {
    }

    bool await_ready() const noexcept { return !m_reply || m_reply->isFinished(); }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        auto resumed = std::make_shared<bool>(false);
        QObject::connect(m_reply, &QNetworkReply::finished, [waiting, resumed] {
            if (!std::exchange(*resumed, true))
                waiting.resume();
        });
        QObject::connect(m_reply, &QObject::destroyed, [waiting, resumed] {
            if (!std::exchange(*resumed, true))
                QMetaObject::invokeMethod(QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
        });
    }

    // The reply, or null when it was destroyed unfinished.
    QNetworkReply* await_resume() const noexcept { return m_reply; }

private:
    QPointer<QNetworkReply> m_reply;
};

#pragma once

#include <QCoreApplication>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <chrono>

#include <coroutine>
#include <memory>
#include <optional>

// The one way to await a network reply: waits for it to finish, or to be destroyed unfinished
// (its client died with it). Either way the waiting coroutine is resumed from the event loop
// afterwards, never inside a signal emission or a destruction; it then finds the reply, or null
// when it is gone. So a destroyed client ends its calls instead of leaving them waiting, and
// nothing of it runs meanwhile. With a time limit, a reply still running when it is up is
// aborted: it finishes with OperationCanceledError. The limit covers the whole transfer, not
// only a silence between packets.
class ReplyAwaiter {
public:
    explicit ReplyAwaiter(QNetworkReply* reply, std::optional<std::chrono::milliseconds> limit = std::nullopt)
        : m_reply(reply)
    {
        if (limit && m_reply && !m_reply->isFinished())
            QTimer::singleShot(*limit, m_reply, [reply = m_reply] { reply->abort(); });
    }

    bool await_ready() const noexcept { return !m_reply || m_reply->isFinished(); }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        auto resumeOnce = [waiting, resumed = std::make_shared<bool>(false)] {
            if (std::exchange(*resumed, true))
                return;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
        };
        QObject::connect(m_reply, &QNetworkReply::finished, resumeOnce);
        QObject::connect(m_reply, &QObject::destroyed, resumeOnce);
    }

    QNetworkReply* await_resume() const noexcept { return m_reply; }

private:
    QPointer<QNetworkReply> m_reply;
};

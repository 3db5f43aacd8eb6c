#include "qr_image_fetcher.h"

#include "api/reply_awaiter.h"
#include "qr_image.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

QrImageFetcher::QrImageFetcher(QObject* parent)
    : QrImageFetcher(Limits{}, parent)
{
}

QrImageFetcher::QrImageFetcher(Limits limits, QObject* parent)
    : QObject(parent)
    , m_limits(limits)
    , m_network(new QNetworkAccessManager(this))
{
}

bool QrImageFetcher::isWebUrl(const QUrl& url)
{
    const auto scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QCoro::Task<QImage> QrImageFetcher::fetch(QUrl url)
{
    if (!isWebUrl(url))
        co_return QImage();
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(m_limits.timeout.count()));
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    const auto cap = m_limits.maxBytes;
    auto* sent = m_network->get(request);
    connect(sent, &QNetworkReply::downloadProgress, sent, [sent, cap](qint64 received, qint64 total) {
        if (received > cap || total > cap)
            sent->abort();
    });
    // Nothing of `this` is used after the wait: the fetcher may be gone.
    auto* reply = co_await ReplyAwaiter(sent);
    if (!reply)
        co_return QImage();
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        co_return QImage();
    const auto bytes = reply->read(cap + 1);
    if (bytes.size() > cap)
        co_return QImage();
    co_return QrImage::fromBytes(bytes);
}

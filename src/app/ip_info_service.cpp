#include "ip_info_service.h"

#include "api/answer_json.h"
#include "api/reply_awaiter.h"
#include "platform/connection_cache.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

QList<QUrl> IPInfoService::defaultEndpoints()
{
    return {QUrl(QStringLiteral("https://ipinfo.io/json")), QUrl(QStringLiteral("https://ipapi.co/json/")),
            QUrl(QStringLiteral("https://api.ip.sb/geoip"))};
}

IPInfoService::IPInfoService(QList<QUrl> endpoints, std::chrono::milliseconds timeout)
    : m_endpoints(std::move(endpoints))
    , m_timeout(timeout)
{
    closeConnectionsOnQuit(m_session);
}

QCoro::Task<std::optional<PublicIPInfo>> IPInfoService::fetchPublicIP()
{
    // The endpoint list is copied: the service may be asked again while this lookup waits.
    const auto endpoints = m_endpoints;
    for (const auto& url : endpoints) {
        if (auto info = co_await fetch(url))
            co_return info;
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<PublicIPInfo>> IPInfoService::fetch(QUrl url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(m_session.get(request),
                                                                   [](QNetworkReply* r) { r->deleteLater(); });
    // A reply cut off at the limit has no status.
    if (!co_await ReplyAwaiter(reply.get(), m_timeout))
        co_return std::nullopt;
    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() != 200)
        co_return std::nullopt;
    co_return parseAnswer(reply->readAll());
}

std::optional<PublicIPInfo> IPInfoService::parseAnswer(const QByteArray& body)
{
    using AnswerJson::stringMember;
    const auto json = AnswerJson::objectOrEmpty(body);
    const auto ip = stringMember(json, QStringLiteral("ip"));
    if (!ip || ip->isEmpty())
        return std::nullopt;
    auto country = stringMember(json, QStringLiteral("country_name"));
    if (!country)
        country = stringMember(json, QStringLiteral("country"));
    return PublicIPInfo{*ip, stringMember(json, QStringLiteral("city")), stringMember(json, QStringLiteral("region")),
                        country};
}

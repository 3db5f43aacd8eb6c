#include "api/cookie_jar.h"

#include <QNetworkReply>

void ApiCookieJar::merge(const QList<QNetworkCookie>& received)
{
    for (const auto& cookie : received) {
        m_cookies.removeIf([&](const QNetworkCookie& held) { return held.name() == cookie.name(); });
        m_cookies.append(cookie);
    }
}

void ApiCookieJar::replace(const QList<QNetworkCookie>& received) { m_cookies = received; }

QByteArray ApiCookieJar::headerValue() const
{
    QList<QByteArray> pairs;
    pairs.reserve(m_cookies.size());
    for (const auto& cookie : m_cookies)
        pairs.append(cookie.name() + '=' + cookie.value());
    return pairs.join("; ");
}

QList<QNetworkCookie> ApiCookieJar::cookiesOf(const QNetworkReply& reply)
{
    auto cookies = reply.header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>();
    for (auto& cookie : cookies)
        cookie.normalize(reply.url());
    return cookies;
}

#include "api/cookie_jar.h"

#include <QHostAddress>
#include <QNetworkReply>

void ApiCookieJar::merge(const QList<QNetworkCookie>& received)
{
    for (const auto& cookie : received) {
        m_cookies.removeIf([&](const QNetworkCookie& held) { return held.name() == cookie.name(); });
        m_cookies.append(cookie);
    }
}

void ApiCookieJar::replace(const QList<QNetworkCookie>& received) { m_cookies = received; }

QByteArray ApiCookieJar::headerValue(const QUrl& destination) const
{
    QList<QByteArray> pairs;
    for (const auto& cookie : m_cookies) {
        if (goesTo(cookie, destination))
            pairs.append(cookie.name() + '=' + cookie.value());
    }
    return pairs.join("; ");
}

namespace {

// Without a Domain attribute the cookie was given the answering host as it is; with one, it
// starts with a dot and covers that domain and the hosts below it.
bool coversHost(const QNetworkCookie& cookie, const QString& anyCaseHost)
{
    const auto host = anyCaseHost.toLower();
    const auto domain = cookie.domain().toLower();
    if (host.isEmpty() || domain.isEmpty())
        return false;
    if (!domain.startsWith(QLatin1Char('.')))
        return host == domain;
    // An address has no hosts below it: ".0.0.1" does not cover 10.0.0.1.
    if (!QHostAddress(host).isNull())
        return host == QStringView(domain).mid(1);
    return host == QStringView(domain).mid(1) || host.endsWith(domain);
}

// The toolkit's own rule against a Domain attribute that names a whole top-level domain
// (".com", ".co.uk").
class DomainRule final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::validateCookie;
};

} // namespace

bool ApiCookieJar::goesTo(const QNetworkCookie& cookie, const QUrl& destination)
{
    if (cookie.isSecure() && destination.scheme() != QLatin1String("https"))
        return false;
    return coversHost(cookie, destination.host());
}

QList<QNetworkCookie> ApiCookieJar::cookiesOf(const QNetworkReply& reply)
{
    auto cookies = reply.header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>();
    const DomainRule rule;
    for (auto& cookie : cookies)
        cookie.normalize(reply.url());
    cookies.removeIf([&](const QNetworkCookie& cookie) {
        return !coversHost(cookie, reply.url().host()) || !rule.validateCookie(cookie, reply.url());
    });
    return cookies;
}

#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

class QNetworkReply;

// The client's own cookie jar, in memory only, kept in the order cookies were added. A cookie goes
// only where it came from: to the host that set it, or by its Domain attribute to that domain
// and the hosts below it, and a Secure one only over https; so a pool entry on another host or
// on plain http never receives the session. Expiry and path are not consulted.
class ApiCookieJar {
public:
    const QList<QNetworkCookie>& cookies() const { return m_cookies; }
    bool isEmpty() const { return m_cookies.isEmpty(); }

    // Each new cookie drops every cookie of the same name (domain and path not compared) and
    // goes to the end.
    void merge(const QList<QNetworkCookie>& received);
    // The jar becomes exactly these cookies, none included.
    void replace(const QList<QNetworkCookie>& received);
    void clear() { m_cookies.clear(); }

    // "name=value; name=value" of the cookies that go to `destination`, in jar order, values as
    // received (no quoting); empty when none goes there.
    QByteArray headerValue(const QUrl& destination) const;

    // Whether the cookie (with its domain filled in) goes to `destination`.
    static bool goesTo(const QNetworkCookie& cookie, const QUrl& destination);

    // The cookies an answer sets, read from all its Set-Cookie headers against the answer's URL;
    // one whose Domain does not cover the answering host, or is a whole top-level domain, is
    // refused.
    static QList<QNetworkCookie> cookiesOf(const QNetworkReply& reply);

private:
    QList<QNetworkCookie> m_cookies;
};

// The session's own store: Qt attaches its cookies by domain and path to the requests that let
// it (sign-in and the reset calls); it can be emptied at sign-out.
class SessionCookieStore : public QNetworkCookieJar {
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    void clear() { setAllCookies({}); }
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

class QNetworkReply;

// The client's own cookie jar, in memory only, kept in the order cookies were added. Expiry,
// domain, path and secure attributes are never consulted: every cookie goes into every Cookie
// header the generic GET and POST send.
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

    // "name=value; name=value" in jar order, values as received (no quoting).
    QByteArray headerValue() const;

    // The cookies an answer sets, read from all its Set-Cookie headers against the answer's URL.
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

#pragma once

#include "api/api_errors.h"
#include "api/cookie_jar.h"
#include "api/http_answer.h"
#include "api/records/account_records.h"
#include "api/records/commerce_records.h"
#include "api/records/community_records.h"
#include "api/records/json_reader.h" // DecodingError: an answer that is not JSON or not the record's shape
#include "api/records/node.h"
#include "api/records/plan_records.h"
#include "api/records/server_status_records.h"
#include "api/records/ticket_records.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkRequest;
class SettingsStore;

struct ApiServiceOptions {
    // The idle time-out of one request, and of one health probe or pool fetch.
    std::chrono::milliseconds requestTimeout{60000};
    std::chrono::milliseconds probeTimeout{8000};
    // No answer of the service comes near this size; a larger one, or one still arriving after
    // the deadline, is cut off as a transport failure instead of filling memory or waiting on.
    qint64 answerSizeLimit = 16 * 1024 * 1024;
    std::chrono::milliseconds answerDeadline{120000};
    // Unix time in seconds for the signature; the system clock when empty.
    std::function<qint64()> unixTime;
};

// The one client of the service's HTTPS JSON API: the pool of base URLs with the stored
// "activeDomainIndex", endpoint discovery, fail-over, the cookie jar, request signing, and every
// call of the service.
//
// Everything runs on the thread that owns the instance: requests are asynchronous, so calls in
// flight share the pool, the stored index and the jar without locks, and a fail-over made by one
// request is seen by the next attempt of any other. Every coroutine of the class waits on the
// network only through exchange(), which throws TransportError instead of resuming into a
// destroyed instance; nothing runs on `this` after the instance is gone.
class ApiService : public QObject {
    Q_OBJECT
public:
    using LoginError = ::LoginError;
    using ApiError = ::ApiError;
    using TransportError = ::TransportError;
    using Plan = ::Plan;
    using OrderCreateResult = ::OrderCreateResult;
    using OrderStatusResult = ::OrderStatusResult;
    using Ticket = ::Ticket;
    using TicketMessage = ::TicketMessage;

    using Options = ApiServiceOptions;

    // A call the service may refuse: the refusal is a result, with the message to show.
    struct Outcome {
        bool ok = false;
        std::optional<QString> message;
    };
    // The coupon check: a valid code comes with its coupon, a refused one with a message.
    struct CouponCheck {
        bool valid = false;
        std::optional<CouponInfo> coupon;
        std::optional<QString> message;
    };
    struct QuibexQr {
        std::optional<QString> qrcode;
        std::optional<QString> qrB64;
    };

    // `domainPool` must not be empty for requests to be made. A CA file named by the environment
    // variable VELMORAND_API_CA is trusted in addition to the system's.
    ApiService(SettingsStore& settings, QStringList domainPool, Options options = {}, QObject* parent = nullptr);
    // A client of its own over the same pool, options and settings, starting with a copy of
    // `session`'s jar: a screen's client, whose requests end when the screen does.
    ApiService(const ApiService& session, QObject* parent);
    ~ApiService() override;

    const QStringList& domainPool() const { return m_domainPool; }
    // The hosts of the pool's entries: where the client's requests go.
    QStringList hosts() const;
    // The pool entry in use: the stored index when it lies inside the pool, else the first.
    QString baseURL() const;
    const ApiCookieJar& cookies() const { return m_cookies; }

    // Probes the pool (after merging the service's own list into it) from the entry in use on,
    // and stores the first healthy entry. Never fails: every failure is logged.
    QCoro::Task<> discoverBestEndpoint();

    // Coroutine arguments are taken by value: a call may outlive the caller's temporaries.

    // Account. Sign-in replaces the jar with the answer's cookies; its result is the answer's "ok".
    QCoro::Task<bool> login(QString email, QString password);
    QCoro::Task<Outcome> sendResetCode(QString email);
    QCoro::Task<Outcome> resetPassword(QString email, QString code, QString newPassword);
    QCoro::Task<std::optional<UserProfileResponse>> fetchProfile();

    // Node list, announcements, version.
    QCoro::Task<QList<Node>> fetchNodes();
    QCoro::Task<QList<Announcement>> fetchAnnouncements();
    QCoro::Task<std::optional<AppVersionResponse>> checkVersion(QString platform);

    // Server status dashboard.
    QCoro::Task<ServerStatusResponse> fetchServerStatus();
    QCoro::Task<QList<InboundInfo>> fetchServerInbounds();
    QCoro::Task<ConnectionsResponse> fetchServerConnections();

    // Plans, coupons, orders and payment. Optional body keys are sent only when present and not
    // empty.
    QCoro::Task<QList<Plan>> fetchPlans();
    QCoro::Task<CouponCheck> validateCoupon(QString code, std::optional<QString> planName);
    QCoro::Task<OrderCreateResult> createOrder(QString planName, std::optional<QString> couponCode);
    QCoro::Task<OrderStatusResult> fetchOrderStatus(qint64 orderId);
    QCoro::Task<QuibexQr> createQuibexQr(QString outTradeNo, QString type);

    // Support tickets. A refused message (an error status, or "ok" present and not true) throws
    // ApiError.
    QCoro::Task<QList<Ticket>> fetchMyTickets();
    // The new ticket's id, 0 when the answer names none.
    QCoro::Task<qint64> createTicket(QString subject, QString content);
    QCoro::Task<QList<TicketMessage>> fetchTicketMessages(qint64 ticketId);
    QCoro::Task<> sendTicketMessage(qint64 ticketId, QString content);

    // Invitations, withdrawals, traffic log, conversion and subscription. Withdrawals and the
    // traffic log come back empty when the answer holds no readable list.
    QCoro::Task<std::optional<InviteResponse>> fetchInvite();
    QCoro::Task<Outcome> requestWithdraw(QString note);
    QCoro::Task<QList<WithdrawRecord>> fetchWithdraws();
    QCoro::Task<QList<TrafficLogEntry>> fetchTrafficLog();
    // Absent when the answer does not decode; only transport failures throw.
    QCoro::Task<std::optional<ConvertResponse>> convert(QString url, QString format);
    // The configuration file as text; absent for an answer that is not a success, cut off, not
    // UTF-8, an HTML page or a JSON refusal.
    QCoro::Task<std::optional<QString>> fetchSubscriptionConfig();
    // The subscription token: "uuid", else "sub_token".
    QCoro::Task<std::optional<QString>> fetchMyUuid();

    // Whether the jar holds a cookie.
    bool isLoggedIn() const;
    // Forgets every cookie: the jar and the session's own store.
    void logout();

private:
    friend class ApiServiceTestAccess;

    enum class CookieUse {
        jar, // the jar's Cookie header; the session's store is not attached
        session, // the session's store, attached by domain and path
        none,
    };
    enum class Retry {
        anyTransportFailure,
        onlyWhenNeverReached,
    };
    struct RequestSpec {
        QByteArray verb; // "GET" or "POST"
        QString path;
        QByteArray body;
        CookieUse cookieUse = CookieUse::jar;
        bool isSigned = false;
    };
    // A signed POST whose body is the object as compact JSON; an empty object sends no body.
    static RequestSpec signedPost(QString path, const QJsonObject& body, CookieUse cookieUse);

    int activeIndex() const;
    bool switchToNextDomain();
    void log(const QString& line) const;
    qint64 unixTime() const;

    QNetworkRequest buildRequest(const RequestSpec& spec) const;
    QNetworkRequest buildProbe(const QUrl& url) const;
    // Sends one request and waits for it; throws TransportError when the instance was destroyed
    // meanwhile.
    QCoro::Task<HttpAnswer> exchange(QNetworkRequest request, QByteArray verb, QByteArray body);
    // Attempts the request on the entry in use and, after a transport failure that `retry`
    // allows, on the next entries: at most one attempt per pool entry.
    QCoro::Task<HttpAnswer> sendAcrossPool(RequestSpec spec, Retry retry);

    QCoro::Task<std::optional<QStringList>> fetchRemoteDomainPool();
    void mergeDomainPool(const QStringList& remote);

    // One request across the pool with the jar's cookies; the answer's cookies join the jar and
    // the last transport error is thrown.
    QCoro::Task<HttpAnswer> sendWithJar(RequestSpec spec, Retry retry);

    // The generic requests: the body of any answer, whatever its status; the last transport
    // error is thrown. GETs are retried after any transport failure, POSTs only when they
    // surely never reached the service.
    QCoro::Task<QByteArray> get(QString path);
    QCoro::Task<QByteArray> post(QString path, QJsonObject body);
    // The same, keeping the status for the calls that judge it.
    QCoro::Task<HttpAnswer> getAnswer(QString path);
    QCoro::Task<HttpAnswer> postAnswer(QString path, QJsonObject body);

    // The password-reset calls: one signed attempt, failures become results.
    QCoro::Task<Outcome> resetCall(QString path, QJsonObject body, QString okText, QString failText);

    SettingsStore& m_settings;
    QStringList m_domainPool;
    Options m_options;
    QNetworkAccessManager* m_session;
    SessionCookieStore* m_sessionCookies;
    QSslConfiguration m_sslConfiguration;
    ApiCookieJar m_cookies;
};

#include "api/api_service.h"

#include "api/app_sign.h"
#include "api/domain_pool.h"
#include "api/one_shot_body.h"
#include "api/reply_awaiter.h"
#include "platform/connection_cache.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

QSslConfiguration sslConfigurationWithExtraCa()
{
    auto configuration = QSslConfiguration::defaultConfiguration();
    const auto caFile = qEnvironmentVariable("VELMORAND_API_CA");
    if (!caFile.isEmpty() && !configuration.addCaCertificates(caFile))
        qWarning().noquote() << QStringLiteral("[ApiService] CA file not readable: ") + caFile;
    return configuration;
}

bool isSendable(const QUrl& url)
{
    const auto scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

int timeoutMs(std::chrono::milliseconds timeout) { return static_cast<int>(timeout.count()); }

// Why a reply was aborted before its end.
struct AnswerCutOff {
    QNetworkReply::NetworkError error;
    QString text;
};

// Aborts the reply once its body (announced or received) passes the size limit, or when it has
// not ended by the deadline; the reason is left in `cutOff`.
void limitAnswer(QNetworkReply& reply, const ApiServiceOptions& options,
                 const std::shared_ptr<std::optional<AnswerCutOff>>& cutOff)
{
    const auto limit = options.answerSizeLimit;
    const auto tooLarge = [&reply, limit, cutOff](qint64 size) {
        if (*cutOff || size <= limit)
            return;
        *cutOff = AnswerCutOff{QNetworkReply::ProtocolFailure,
                               QStringLiteral("The service's answer is larger than %1 bytes").arg(limit)};
        reply.abort();
    };
    // Qt stops reading from the connection shortly before this much waits unread: the body in
    // memory stays under twice the limit, however fast the service sends, and still passes the
    // limit for the check below to see.
    reply.setReadBufferSize(2 * limit);
    QObject::connect(&reply, &QNetworkReply::metaDataChanged, &reply,
                     [&reply, tooLarge] { tooLarge(reply.header(QNetworkRequest::ContentLengthHeader).toLongLong()); });
    // Progress signals are throttled and may skip the last step before a stall; every arrival
    // is seen here.
    QObject::connect(&reply, &QNetworkReply::readyRead, &reply,
                     [&reply, tooLarge] { tooLarge(reply.bytesAvailable()); });
    auto* deadline = new QTimer(&reply);
    deadline->setSingleShot(true);
    QObject::connect(
        deadline, &QTimer::timeout, &reply, [&reply, cutOff, seconds = options.answerDeadline.count() / 1000.0] {
            if (*cutOff || reply.isFinished())
                return;
            *cutOff = AnswerCutOff{QNetworkReply::TimeoutError,
                                   QStringLiteral("The service's answer did not end within %1 s").arg(seconds)};
            reply.abort();
        });
    deadline->start(options.answerDeadline);
}

} // namespace

ApiService::ApiService(SettingsStore& settings, QStringList domainPool, Options options, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_domainPool(std::move(domainPool))
    , m_options(std::move(options))
    , m_session(new QNetworkAccessManager(this))
    , m_sessionCookies(new SessionCookieStore(m_session))
    , m_sslConfiguration(sslConfigurationWithExtraCa())
{
    m_session->setCookieJar(m_sessionCookies);
    closeConnectionsOnQuit(*m_session);
}

ApiService::ApiService(const ApiService& session, QObject* parent)
    : ApiService(session.m_settings, session.m_domainPool, session.m_options, parent)
{
    m_cookies = session.m_cookies;
}

QStringList ApiService::hosts() const
{
    QStringList hosts;
    for (const auto& base : m_domainPool) {
        const auto host = QUrl(base).host();
        if (!host.isEmpty() && !hosts.contains(host))
            hosts.append(host);
    }
    return hosts;
}

ApiService::~ApiService() = default;

int ApiService::activeIndex() const
{
    const auto stored = m_settings.intOr(SettingsKeys::activeDomainIndex, 0);
    return stored >= 0 && stored < m_domainPool.size() ? static_cast<int>(stored) : 0;
}

QString ApiService::baseURL() const { return m_domainPool.isEmpty() ? QString() : m_domainPool.at(activeIndex()); }

bool ApiService::switchToNextDomain()
{
    if (m_domainPool.size() < 2)
        return false;
    // From the entry actually in use: a stored index outside the pool counts as the first entry.
    const auto next = (activeIndex() + 1) % m_domainPool.size();
    m_settings.setValue(SettingsKeys::activeDomainIndex, next);
    log(QStringLiteral("请求失败, 切换到 → ") + baseURL());
    return true;
}

void ApiService::log(const QString& line) const { qInfo().noquote() << QStringLiteral("[ApiService] ") + line; }

qint64 ApiService::unixTime() const
{
    return m_options.unixTime ? m_options.unixTime() : QDateTime::currentSecsSinceEpoch();
}

bool ApiService::isLoggedIn() const { return !m_cookies.isEmpty(); }

void ApiService::logout()
{
    m_cookies.clear();
    m_sessionCookies->clear();
}

QNetworkRequest ApiService::buildRequest(const RequestSpec& spec) const
{
    QNetworkRequest request(QUrl(baseURL() + spec.path));
    request.setTransferTimeout(timeoutMs(m_options.requestTimeout));
    if (spec.verb == "POST")
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    else
        request.setRawHeader("Accept", "application/json");
    if (spec.isSigned)
        AppSign::apply(request, unixTime());
    // Qt would put the session's cookies in place of a Cookie header set here: requests that
    // carry the jar, or nothing, keep the session's store out.
    if (spec.cookieUse != CookieUse::session)
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    if (const auto jar = m_cookies.headerValue(request.url()); spec.cookieUse == CookieUse::jar && !jar.isEmpty())
        request.setRawHeader("Cookie", jar);
    request.setSslConfiguration(m_sslConfiguration);
    return request;
}

QNetworkRequest ApiService::buildProbe(const QUrl& url) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs(m_options.probeTimeout));
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setSslConfiguration(m_sslConfiguration);
    return request;
}

QCoro::Task<HttpAnswer> ApiService::exchange(QNetworkRequest request, QByteArray verb, QByteArray body)
{
    HttpAnswer answer;
    if (!isSendable(request.url())) {
        answer.error = QNetworkReply::ProtocolUnknownError;
        answer.errorText = QStringLiteral("Not a usable URL: ") + request.url().toString();
        co_return answer;
    }

    QPointer<ApiService> self(this);
    QNetworkReply* sent = nullptr;
    if (verb == "POST") {
        request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
        auto* upload = new OneShotBody(body);
        sent = m_session->post(request, upload);
        upload->setParent(sent);
    } else {
        sent = m_session->get(request);
    }
    const auto cutOff = std::make_shared<std::optional<AnswerCutOff>>();
    limitAnswer(*sent, m_options, cutOff);
    const auto left = std::make_shared<bool>(false);
    QObject::connect(sent, &QNetworkReply::requestSent, sent, [left] { *left = true; });
    QObject::connect(sent, &QNetworkReply::uploadProgress, sent, [left](qint64 bytesSent, qint64) {
        if (bytesSent > 0)
            *left = true;
    });
    auto* reply = co_await ReplyAwaiter(sent);
    // The session and its replies die with the instance.
    if (!self || !reply)
        throw TransportError(QNetworkReply::OperationCanceledError, QStringLiteral("The API client was closed"));
    answer.requestLeft = *left;
    if (*cutOff) {
        answer.error = (*cutOff)->error;
        answer.errorText = (*cutOff)->text;
        reply->deleteLater();
        co_return answer;
    }

    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && !connectionFailed(reply->error())) {
        answer.status = status.toInt();
        answer.cookies = ApiCookieJar::cookiesOf(*reply);
        if (reply->isOpen())
            answer.body = reply->readAll();
    } else {
        // Headers followed by part of a body are no answer either.
        answer.error = reply->error();
        answer.errorText = reply->errorString();
    }
    reply->deleteLater();
    co_return answer;
}

QCoro::Task<HttpAnswer> ApiService::sendAcrossPool(RequestSpec spec, Retry retry)
{
    const auto attempts = m_domainPool.size();
    for (qsizetype attempt = 0;; ++attempt) {
        // Built anew each time: the base URL, the timestamp and the signature are fresh.
        auto answer = co_await exchange(buildRequest(spec), spec.verb, spec.body);
        if (!answer.isTransportFailure() || attempt + 1 >= attempts)
            co_return answer;
        if (retry == Retry::onlyWhenNeverReached && !neverReachedService(answer, !spec.body.isEmpty()))
            co_return answer;
        switchToNextDomain();
    }
}

QCoro::Task<HttpAnswer> ApiService::sendWithJar(RequestSpec spec, Retry retry)
{
    if (m_domainPool.isEmpty())
        throw ApiError::badResponse();
    auto answer = co_await sendAcrossPool(std::move(spec), retry);
    if (answer.isTransportFailure())
        throw answer.transportError();
    m_cookies.merge(answer.cookies);
    co_return answer;
}

QCoro::Task<HttpAnswer> ApiService::getAnswer(QString path)
{
    // A named spec: GCC 12 destroys a braced temporary argument of a coroutine call twice.
    RequestSpec spec{"GET", std::move(path), {}, CookieUse::jar, false};
    return sendWithJar(std::move(spec), Retry::anyTransportFailure);
}

ApiService::RequestSpec ApiService::signedPost(QString path, const QJsonObject& body, CookieUse cookieUse)
{
    const auto json = body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    return {"POST", std::move(path), json, cookieUse, true};
}

QCoro::Task<HttpAnswer> ApiService::postAnswer(QString path, QJsonObject body)
{
    return sendWithJar(signedPost(std::move(path), body, CookieUse::jar), Retry::onlyWhenNeverReached);
}

QCoro::Task<QByteArray> ApiService::get(QString path) { co_return (co_await getAnswer(std::move(path))).body; }

QCoro::Task<QByteArray> ApiService::post(QString path, QJsonObject body)
{
    co_return (co_await postAnswer(std::move(path), std::move(body))).body;
}

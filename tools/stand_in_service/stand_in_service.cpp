#include "stand_in_service.h"

#include "api/app_sign.h"
#include "stand_in_session.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <algorithm>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Matches "/api/tickets/{id}/messages" against a path; the number goes to `id`.
bool matches(const QString& pattern, const QString& path, qint64& id)
{
    const auto want = pattern.split(QLatin1Char('/'));
    const auto have = path.split(QLatin1Char('/'));
    if (want.size() != have.size())
        return false;
    for (qsizetype i = 0; i < want.size(); ++i) {
        if (want[i] == QLatin1String("{id}")) {
            bool isNumber = false;
            id = have[i].toLongLong(&isNumber);
            if (!isNumber)
                return false;
        } else if (want[i] != have[i]) {
            return false;
        }
    }
    return true;
}

bool hasValidSignature(const HttpRequest& request)
{
    const auto app = request.header(AppSign::appHeader);
    const auto ts = request.header(AppSign::timestampHeader);
    const auto sign = request.header(AppSign::signatureHeader);
    if (app != QByteArray("1") || !ts || !sign)
        return false;
    bool isNumber = false;
    const auto seconds = ts->toLongLong(&isNumber);
    if (!isNumber || std::llabs(QDateTime::currentSecsSinceEpoch() - seconds) > StandInService::signatureWindowSeconds)
        return false;
    return *sign == AppSign::signature(*ts);
}

} // namespace

StandInService::StandInService(QObject* parent)
    : QObject(parent)
    , m_state(StandInState::seeded())
{
    for (const auto& group : {accountRoutes(), catalogRoutes(), commerceRoutes(), supportRoutes(), communityRoutes()})
        m_routes += group;
}

quint16 StandInService::start(HttpListener* listener, quint16 port)
{
    if (!listener->listen(port)) {
        m_lastError = listener->errorString();
        delete listener;
        return 0;
    }
    m_listeners.append(listener);
    return listener->port();
}

quint16 StandInService::listenHttp(quint16 port)
{
    auto handler = [this](const HttpRequest& request) { return handle(request); };
    return start(new HttpListener(HttpListener::Mode::answering, handler, std::nullopt, this), port);
}

quint16 StandInService::listenHttps(const QString& certificateFile, const QString& keyFile, quint16 port)
{
    const auto certificates = QSslCertificate::fromData(readFile(certificateFile), QSsl::Pem);
    const QSslKey key(readFile(keyFile), QSsl::Rsa, QSsl::Pem);
    if (certificates.isEmpty() || key.isNull()) {
        m_lastError
            = QStringLiteral("certificate or key not readable: ") + certificateFile + QStringLiteral(", ") + keyFile;
        return 0;
    }
    auto tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.first());
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    auto handler = [this](const HttpRequest& request) { return handle(request); };
    return start(new HttpListener(HttpListener::Mode::answering, handler, tls, this), port);
}

quint16 StandInService::listenSilent(quint16 port)
{
    return start(new HttpListener(HttpListener::Mode::silent, {}, std::nullopt, this), port);
}

quint16 StandInService::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const auto port = probe.serverPort();
    probe.close();
    return port;
}

QString StandInService::baseUrl(quint16 port) const
{
    const bool tls = std::any_of(m_listeners.begin(), m_listeners.end(), [port](const HttpListener* listener) {
        return listener->port() == port && listener->isTls();
    });
    return (tls ? QStringLiteral("https") : QStringLiteral("http")) + QStringLiteral("://127.0.0.1:")
        + QString::number(port);
}

QStringList StandInService::baseUrls() const
{
    QStringList urls;
    for (const auto* listener : m_listeners) {
        if (listener->mode() == HttpListener::Mode::answering)
            urls.append(baseUrl(listener->port()));
    }
    return urls;
}

void StandInService::setOverride(const QString& path, const Override& override)
{
    m_overrides.append({path, override});
}

QList<HttpRequest> StandInService::requestsTo(const QString& path) const
{
    QList<HttpRequest> found;
    for (const auto& request : m_requests) {
        if (request.path() == path)
            found.append(request);
    }
    return found;
}

StandInService::Override* StandInService::matchingOverride(const HttpRequest& request)
{
    // The latest override set for a path wins.
    for (auto it = m_overrides.rbegin(); it != m_overrides.rend(); ++it) {
        auto& [path, override] = *it;
        if (path != request.path() || override.times == 0)
            continue;
        if (override.method && *override.method != request.method)
            continue;
        if (override.port && *override.port != request.localPort)
            continue;
        return &override;
    }
    return nullptr;
}

HttpReply StandInService::handle(const HttpRequest& request)
{
    m_requests.append(request);
    emit requestReceived(request);

    auto* override = matchingOverride(request);
    if (!override)
        return {route(request)};
    if (override->times > 0)
        --override->times;
    HttpReply reply;
    reply.delay = override->delay;
    reply.drop = override->drop;
    reply.bodyBreak = override->bodyBreak;
    if (override->status || override->body) {
        reply.response = HttpResponse::text(override->status.value_or(200), override->body.value_or(QByteArray()),
                                            override->contentType);
    } else {
        reply.response = route(request);
    }
    for (const auto& cookie : override->setCookies)
        reply.response.addHeader("Set-Cookie", cookie);
    return reply;
}

HttpResponse StandInService::route(const HttpRequest& request)
{
    const auto path = request.path();
    bool pathKnown = false;
    for (const auto& candidate : m_routes) {
        qint64 id = 0;
        if (!matches(candidate.pattern, path, id))
            continue;
        pathKnown = true;
        if (candidate.method != request.method)
            continue;
        if (request.method == "POST" && !hasValidSignature(request))
            return refusal(403, QStringLiteral("签名校验失败"));
        if (candidate.needsSession && !StandInSession::isSignedIn(m_state, request))
            return refusal(401, QStringLiteral("请先登录"));
        const auto own = baseUrl(request.localPort);
        RouteContext context{m_state, request, QJsonDocument::fromJson(request.body).object(), id, own, baseUrls()};
        return candidate.handler(context);
    }
    return pathKnown ? refusal(405, QStringLiteral("请求方法不支持")) : refusal(404, QStringLiteral("接口不存在"));
}

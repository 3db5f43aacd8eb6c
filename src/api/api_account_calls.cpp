// Sign-in, password reset and profile.
#include "api/api_service.h"

#include "api/answer_json.h"
#include "platform/text_table.h"

#include <QJsonDocument>

QCoro::Task<bool> ApiService::login(QString email, QString password)
{
    if (m_domainPool.isEmpty())
        throw LoginError::network(QStringLiteral("unknown"));
    const QJsonObject body{{QStringLiteral("email"), email}, {QStringLiteral("password"), password}};
    const auto answer = co_await sendAcrossPool(signedPost(QStringLiteral("/api/login"), body, CookieUse::session),
                                                Retry::anyTransportFailure);
    if (answer.isTransportFailure())
        throw LoginError::network(answer.errorText);
    // Also when the answer then fails: the cookies of the last sign-in answer are the session.
    m_cookies.replace(answer.cookies);
    if (!answer.isSuccess())
        throw LoginError::http(QStringLiteral("HTTP ") + QString::number(*answer.status));
    const auto document = AnswerJson::parseLeniently(answer.body);
    if (!document.isObject())
        throw LoginError::badResponse();
    co_return AnswerJson::isTrue(document.object().value(QLatin1String("ok")));
}

QCoro::Task<ApiService::Outcome> ApiService::resetCall(QString path, QJsonObject body, QString okText, QString failText)
{
    const auto spec = signedPost(std::move(path), body, CookieUse::session);
    HttpAnswer answer;
    try {
        answer = co_await exchange(buildRequest(spec), spec.verb, spec.body);
    } catch (const TransportError&) {
        // The instance is gone; nothing of it may be touched.
        co_return Outcome{false, i18n::tr(QStringLiteral("网络错误"))};
    }
    if (answer.isTransportFailure())
        co_return Outcome{false, i18n::tr(QStringLiteral("网络错误"))};
    const auto json = AnswerJson::objectOrEmpty(answer.body);
    const bool ok = answer.isSuccess() && AnswerJson::isTrue(json.value(QLatin1String("ok")));
    const auto message = AnswerJson::stringMember(json, QStringLiteral("msg"));
    co_return Outcome{ok, message.value_or(ok ? okText : failText)};
}

QCoro::Task<ApiService::Outcome> ApiService::sendResetCode(QString email)
{
    return resetCall(QStringLiteral("/api/forgot-password/send-code"), {{QStringLiteral("email"), email}},
                     QStringLiteral("验证码已发送"), QStringLiteral("发送失败"));
}

QCoro::Task<ApiService::Outcome> ApiService::resetPassword(QString email, QString code, QString newPassword)
{
    return resetCall(
        QStringLiteral("/api/forgot-password/reset"),
        {{QStringLiteral("email"), email}, {QStringLiteral("code"), code}, {QStringLiteral("password"), newPassword}},
        QStringLiteral("密码已重置"), QStringLiteral("重置失败"));
}

QCoro::Task<std::optional<UserProfileResponse>> ApiService::fetchProfile()
{
    co_return AnswerJson::decodeRecord<UserProfileResponse>(co_await get(QStringLiteral("/api/user/profile")));
}

// Invitations, withdrawals, traffic log, conversion and subscription.
#include "api/api_service.h"

#include "api/answer_json.h"
#include "api/answer_readers.h"

QCoro::Task<std::optional<InviteResponse>> ApiService::fetchInvite()
{
    co_return AnswerJson::decodeRecord<InviteResponse>(co_await get(QStringLiteral("/api/user/invite")));
}

QCoro::Task<ApiService::Outcome> ApiService::requestWithdraw(QString note)
{
    // Bodies are built before the co_await: GCC 12 miscompiles braced lists inside it.
    const QJsonObject body{{QStringLiteral("note"), note}};
    const auto json = JsonReader::parse(co_await post(QStringLiteral("/api/user/withdraw"), body));
    co_return Outcome{AnswerJson::isOk(json), AnswerJson::stringMember(json.toObject(), QStringLiteral("msg"))};
}

QCoro::Task<QList<WithdrawRecord>> ApiService::fetchWithdraws()
{
    co_return AnswerJson::lenientList<WithdrawRecord>(co_await get(QStringLiteral("/api/user/withdraws")),
                                                      QStringLiteral("withdraws"));
}

QCoro::Task<QList<TrafficLogEntry>> ApiService::fetchTrafficLog()
{
    co_return AnswerJson::lenientList<TrafficLogEntry>(co_await get(QStringLiteral("/api/user/traffic_log")),
                                                       QStringLiteral("data"));
}

QCoro::Task<std::optional<ConvertResponse>> ApiService::convert(QString url, QString format)
{
    const QJsonObject request{{QStringLiteral("url"), url}, {QStringLiteral("format"), format}};
    const auto body = co_await post(QStringLiteral("/api/convert"), request);
    try {
        co_return AnswerJson::decodeRecord<ConvertResponse>(body);
    } catch (const DecodingError&) {
        co_return std::nullopt;
    }
}

QCoro::Task<std::optional<QString>> ApiService::fetchSubscriptionConfig()
{
    const auto answer = co_await getAnswer(QStringLiteral("/api/subscription"));
    // The body is the configuration file itself; an error page, a refusal or a download cut
    // short is no configuration.
    if (!answer.isSuccess())
        co_return std::nullopt;
    co_return AnswerReaders::subscriptionConfig(answer.body);
}

QCoro::Task<std::optional<QString>> ApiService::fetchMyUuid()
{
    co_return AnswerReaders::subscriptionToken(co_await get(QStringLiteral("/api/me")));
}

// The server status dashboard's calls: the answers are decoded whole, "ok" included.
#include "api/api_service.h"

#include "api/answer_json.h"

QCoro::Task<ServerStatusResponse> ApiService::fetchServerStatus()
{
    co_return AnswerJson::decodeRecord<ServerStatusResponse>(co_await get(QStringLiteral("/api/server/status")));
}

QCoro::Task<QList<InboundInfo>> ApiService::fetchServerInbounds()
{
    const auto answer
        = AnswerJson::decodeRecord<InboundsResponse>(co_await get(QStringLiteral("/api/server/inbounds")));
    co_return answer.data.value_or(QList<InboundInfo>());
}

QCoro::Task<ConnectionsResponse> ApiService::fetchServerConnections()
{
    co_return AnswerJson::decodeRecord<ConnectionsResponse>(co_await get(QStringLiteral("/api/server/connections")));
}

// Support tickets.
#include "api/api_service.h"

#include "api/answer_json.h"

namespace {

QString messagesPath(qint64 ticketId)
{
    return QStringLiteral("/api/tickets/") + QString::number(ticketId) + QStringLiteral("/messages");
}

} // namespace

QCoro::Task<QList<Ticket>> ApiService::fetchMyTickets()
{
    co_return AnswerJson::okDataList<Ticket>(co_await get(QStringLiteral("/api/tickets")));
}

QCoro::Task<qint64> ApiService::createTicket(QString subject, QString content)
{
    const QJsonObject body{{QStringLiteral("subject"), subject}, {QStringLiteral("content"), content}};
    const auto json = JsonReader::parse(co_await post(QStringLiteral("/api/tickets"), body));
    if (!AnswerJson::isOk(json))
        throw ApiError::badResponse();
    co_return JsonReader::integerOf(json.toObject().value(QLatin1String("ticket_id"))).value_or(0);
}

QCoro::Task<QList<TicketMessage>> ApiService::fetchTicketMessages(qint64 ticketId)
{
    co_return AnswerJson::okDataList<TicketMessage>(co_await get(messagesPath(ticketId)));
}

QCoro::Task<> ApiService::sendTicketMessage(qint64 ticketId, QString content)
{
    const QJsonObject body{{QStringLiteral("content"), content}};
    const auto answer = co_await postAnswer(messagesPath(ticketId), body);
    // A refusal reaches the sender, so that no typed message is lost silently; an answer
    // without a verdict (an empty body) counts as accepted.
    const auto verdict = AnswerJson::objectOrEmpty(answer.body).value(QLatin1String("ok"));
    if (!answer.isSuccess() || (!verdict.isUndefined() && !AnswerJson::isTrue(verdict)))
        throw ApiError::badResponse();
}

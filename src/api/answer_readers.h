#pragma once

#include "api/records/account_records.h"
#include "api/records/node.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The answers whose body is read by more than one record's rules: each turns the body the
// service sent into what the call gives back. Kept apart from the calls so that they can be fed
// any bytes without a network.
namespace AnswerReaders {

// The node list: {"data": [...]} or {"nodes": [...]}, read member by member (a member of the
// wrong type gives the field's default). Another shape gives no nodes; not JSON throws
// DecodingError.
QList<Node> nodeList(const QByteArray& body);

// {"announcements": [...]} with at least one entry, else an AnnouncementsResponse.
QList<Announcement> announcements(const QByteArray& body);

// The subscription file as text: absent for an HTML page, a JSON refusal or bytes that are not
// UTF-8.
std::optional<QString> subscriptionConfig(const QByteArray& body);

// "uuid", else "sub_token"; not JSON throws DecodingError.
std::optional<QString> subscriptionToken(const QByteArray& body);

} // namespace AnswerReaders

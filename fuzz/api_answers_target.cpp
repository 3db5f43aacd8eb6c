// The service's JSON answers through every record decoder and answer reader the calls use. A
// refusal (DecodingError, ApiError) is a decoder's normal answer to bad bytes; anything else that
// escapes, crashes or trips a sanitizer is a finding.
#include "fuzz_input.h"

#include "api/answer_json.h"
#include "api/answer_readers.h"
#include "api/domain_pool.h"
#include "api/records/commerce_records.h"
#include "api/records/community_records.h"
#include "api/records/plan_records.h"
#include "api/records/server_status_records.h"
#include "api/records/ticket_records.h"

#include <functional>
#include <vector>

namespace {

template <typename T>
void decodeRecord(const QByteArray& body)
{
    AnswerJson::decodeRecord<T>(body);
}

template <typename T>
void okDataList(const QByteArray& body)
{
    AnswerJson::okDataList<T>(body);
}

void coupon(const QByteArray& body)
{
    const auto json = JsonReader::parse(body);
    if (AnswerJson::isOk(json))
        CouponInfo::fromJson(json.toObject().value(QLatin1String("coupon")));
    AnswerJson::stringMember(json.toObject(), QStringLiteral("msg"));
}

void nodes(const QByteArray& body)
{
    for (const auto& node : AnswerReaders::nodeList(body)) {
        node.regionEmoji();
        Node::fromJson(QJsonDocument::fromJson(node.toJson()).object());
    }
}

const std::vector<std::function<void(const QByteArray&)>>& decoders()
{
    static const std::vector<std::function<void(const QByteArray&)>> all{
        nodes,
        [](const QByteArray& body) { AnswerReaders::announcements(body); },
        [](const QByteArray& body) { DomainPool::parseRemote(body); },
        [](const QByteArray& body) { AnswerJson::objectOrEmpty(body); },
        [](const QByteArray& body) { AnswerJson::lenientList<WithdrawRecord>(body, QStringLiteral("withdraws")); },
        [](const QByteArray& body) { AnswerJson::lenientList<TrafficLogEntry>(body, QStringLiteral("data")); },
        coupon,
        okDataList<Plan>,
        okDataList<Ticket>,
        okDataList<TicketMessage>,
        decodeRecord<UserProfileResponse>,
        decodeRecord<AppVersionResponse>,
        decodeRecord<AnnouncementsResponse>,
        decodeRecord<InviteResponse>,
        decodeRecord<OrderCreateResult>,
        decodeRecord<OrderStatusResult>,
        decodeRecord<ServerStatusResponse>,
        decodeRecord<InboundsResponse>,
        decodeRecord<ConnectionsResponse>,
        decodeRecord<ConvertResponse>,
        [](const QByteArray& body) { Node::fromJson(JsonReader::parse(body)); },
    };
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const auto& all = decoders();
    try {
        all[input.choice % all.size()](input.bytes);
    } catch (const DecodingError&) {
    } catch (const ApiError&) {
    }
    return 0;
}

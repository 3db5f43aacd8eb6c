// Node list, announcements and version check.
#include "api/api_service.h"

#include "api/answer_json.h"

#include <QJsonDocument>

namespace {

// The node list is read member by member: a member of the wrong type counts as absent and gives
// the field's default, so one odd node never costs the whole list.
struct ListingReader {
    const QJsonObject& object;

    std::optional<qint64> integer(const char* key) const { return JsonReader::integerOf(object.value(QLatin1String(key))); }
    std::optional<QString> text(const char* key) const { return AnswerJson::stringMember(object, QString::fromLatin1(key)); }
};

Node nodeFromListing(const QJsonObject& object)
{
    const ListingReader read{object};
    Node node;
    node.id = read.integer("id").value_or(0);
    node.name = read.text("name").value_or(QString());
    // "server" only when "host" is no text; an empty "host" text is kept.
    node.server = read.text("host").value_or(read.text("server").value_or(QString()));
    node.port = read.integer("port").value_or(0);
    node.method = read.text("method").value_or(QString());
    node.password = read.text("password").value_or(QString());
    node.status = read.text("status").value_or(QStringLiteral("offline"));
    node.delay = read.integer("delay");
    node.location = read.text("location");
    node.bandwidth = read.text("bandwidth");
    node.sort_order = read.integer("sort_order");
    return node;
}

} // namespace

QCoro::Task<QList<Node>> ApiService::fetchNodes()
{
    const auto json = JsonReader::parse(co_await get(QStringLiteral("/api/nodes")));
    if (!json.isObject())
        co_return QList<Node>();
    const auto object = json.toObject();
    QJsonArray listing;
    if (const auto data = object.value(QLatin1String("data")); AnswerJson::isArrayOfObjects(data))
        listing = data.toArray();
    else if (const auto nodes = object.value(QLatin1String("nodes")); AnswerJson::isArrayOfObjects(nodes))
        listing = nodes.toArray();
    QList<Node> result;
    result.reserve(listing.size());
    for (const auto& element : listing)
        result.append(nodeFromListing(element.toObject()));
    co_return result;
}

QCoro::Task<QList<Announcement>> ApiService::fetchAnnouncements()
{
    const auto body = co_await get(QStringLiteral("/api/announcements"));
    // Two shapes: {"announcements": [...]} with at least one entry, else an AnnouncementsResponse.
    const auto document = QJsonDocument::fromJson(body);
    if (document.isObject()) {
        const auto announcements = document.object().value(QLatin1String("announcements"));
        if (AnswerJson::isArrayOfObjects(announcements) && !announcements.toArray().isEmpty())
            co_return JsonReader::listOf<Announcement>(announcements.toArray());
    }
    co_return AnswerJson::decodeRecord<AnnouncementsResponse>(body).data.value_or(QList<Announcement>());
}

QCoro::Task<std::optional<AppVersionResponse>> ApiService::checkVersion(QString platform)
{
    // The platform text goes into the query as it is.
    co_return AnswerJson::decodeRecord<AppVersionResponse>(co_await get(QStringLiteral("/api/app_version?platform=") + platform));
}

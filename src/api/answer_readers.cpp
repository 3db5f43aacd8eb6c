#include "api/answer_readers.h"

#include "api/answer_json.h"
#include "platform/utf8_text.h"

namespace {

// A member of the wrong type counts as absent, so one odd node never costs the whole list.
struct ListingReader {
    const QJsonObject& object;

    std::optional<qint64> integer(const char* key) const
    {
        return JsonReader::integerOf(object.value(QLatin1String(key)));
    }
    std::optional<QString> text(const char* key) const
    {
        return AnswerJson::stringMember(object, QString::fromLatin1(key));
    }
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

namespace AnswerReaders {

QList<Node> nodeList(const QByteArray& body)
{
    const auto json = JsonReader::parse(body);
    if (!json.isObject())
        return {};
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
    return result;
}

QList<Announcement> announcements(const QByteArray& body)
{
    const auto json = JsonReader::parse(body);
    if (json.isObject()) {
        const auto announcements = json.toObject().value(QLatin1String("announcements"));
        if (AnswerJson::isArrayOfObjects(announcements) && !announcements.toArray().isEmpty())
            return JsonReader::listOf<Announcement>(announcements.toArray());
    }
    return AnnouncementsResponse::fromJson(json).data.value_or(QList<Announcement>());
}

std::optional<QString> subscriptionConfig(const QByteArray& body)
{
    const auto start = body.trimmed().left(9).toLower();
    if (start.startsWith("<!doctype") || start.startsWith("<html"))
        return std::nullopt;
    const auto json = AnswerJson::parseLeniently(body);
    if (json.isObject() && !AnswerJson::isOk(json.object()))
        return std::nullopt;
    return decodeUtf8(body);
}

std::optional<QString> subscriptionToken(const QByteArray& body)
{
    const auto object = JsonReader::parse(body).toObject();
    if (auto uuid = AnswerJson::stringMember(object, QStringLiteral("uuid")))
        return uuid;
    return AnswerJson::stringMember(object, QStringLiteral("sub_token"));
}

} // namespace AnswerReaders

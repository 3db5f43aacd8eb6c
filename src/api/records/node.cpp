#include "node.h"

#include "json_reader.h"
#include "ordered_json_writer.h"

#include <array>

namespace {

struct Region {
    const char* flag;
    std::initializer_list<const char*> forms;
};

// Compared with the lower-cased location as a whole, nothing else normalised.
const std::array<Region, 13> kRegions{{
    {"🇯🇵", {"日本", "japan", "日本a", "日本b"}},
    {"🇭🇰", {"香港", "hongkong", "hk"}},
    {"🇹🇼", {"台湾", "taiwan", "tw"}},
    {"🇸🇬", {"新加坡", "singapore", "sg"}},
    {"🇺🇸", {"美国", "usa", "us", "united states"}},
    {"🇰🇷", {"韩国", "korea", "kr"}},
    {"🇬🇧", {"英国", "uk", "united kingdom"}},
    {"🇩🇪", {"德国", "germany", "de"}},
    {"🇫🇷", {"法国", "france", "fr"}},
    {"🇦🇺", {"澳大利亚", "australia", "au"}},
    {"🇮🇳", {"印度", "india", "in"}},
    {"🇷🇺", {"俄罗斯", "russia", "ru"}},
    {"🇨🇦", {"加拿大", "canada", "ca"}},
}};

} // namespace

QString Node::regionEmoji() const
{
    const auto globe = QStringLiteral("🌐");
    if (!location)
        return globe;
    const auto lowered = location->toLower().normalized(QString::NormalizationForm_C);
    for (const auto& region : kRegions) {
        for (const char* form : region.forms) {
            if (lowered == QString::fromUtf8(form).normalized(QString::NormalizationForm_C))
                return QString::fromUtf8(region.flag);
        }
    }
    return globe;
}

Node Node::fromJson(const QJsonValue& value)
{
    const auto json = JsonReader::of(value, QStringLiteral("Node"));
    Node node;
    node.id = json.requiredInt(QStringLiteral("id"));
    node.name = json.requiredString(QStringLiteral("name"));
    node.server = json.optionalString(QStringLiteral("host")).value_or(QString());
    node.port = json.requiredInt(QStringLiteral("port"));
    node.method = json.optionalString(QStringLiteral("method")).value_or(QString());
    node.password = json.optionalString(QStringLiteral("password")).value_or(QString());
    node.status = json.optionalString(QStringLiteral("status")).value_or(QStringLiteral("offline"));
    node.delay = json.optionalInt(QStringLiteral("delay"));
    node.location = json.optionalString(QStringLiteral("location"));
    node.bandwidth = json.optionalString(QStringLiteral("bandwidth"));
    node.sort_order = json.optionalInt(QStringLiteral("sort_order"));
    return node;
}

QByteArray Node::toJson() const
{
    return OrderedJsonWriter()
        .add(QStringLiteral("id"), id)
        .add(QStringLiteral("name"), name)
        .add(QStringLiteral("host"), server)
        .add(QStringLiteral("port"), port)
        .add(QStringLiteral("method"), method)
        .add(QStringLiteral("password"), password)
        .add(QStringLiteral("status"), status)
        .addOptional(QStringLiteral("delay"), delay)
        .addOptional(QStringLiteral("location"), location)
        .addOptional(QStringLiteral("bandwidth"), bandwidth)
        .addOptional(QStringLiteral("sort_order"), sort_order)
        .toJson();
}

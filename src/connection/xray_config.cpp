#include "xray_manager.h"

#include "custom_dns.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "pretty_json.h"
#include "xray_constants.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

QJsonObject proxyOutbound(const Node& node, const std::optional<QString>& sni, bool secondFallback)
{
    if (node.method == QLatin1String("reality")) {
        return {
            {QStringLiteral("protocol"), QStringLiteral("vless")},
            {QStringLiteral("settings"),
             QJsonObject{{QStringLiteral("vnext"),
                          QJsonArray{QJsonObject{
                              {QStringLiteral("address"), node.server},
                              {QStringLiteral("port"), node.port},
                              {QStringLiteral("users"),
                               QJsonArray{QJsonObject{
                                   {QStringLiteral("encryption"), QStringLiteral("none")},
                                   {QStringLiteral("id"), node.password},
                               }}},
                          }}}}},
            {QStringLiteral("streamSettings"),
             QJsonObject{
                 {QStringLiteral("network"), QStringLiteral("tcp")},
                 {QStringLiteral("realitySettings"),
                  QJsonObject{
                      {QStringLiteral("fingerprint"), QStringLiteral("chrome")},
                      {QStringLiteral("publicKey"),
                       secondFallback ? XrayConstants::vozaPubKey : XrayConstants::defaultPubKey},
                      {QStringLiteral("serverName"), XrayConstants::realityServerName},
                      {QStringLiteral("shortId"), XrayConstants::realityShortId},
                  }},
                 {QStringLiteral("security"), QStringLiteral("reality")},
             }},
            {QStringLiteral("tag"), QStringLiteral("proxy")},
        };
    }
    return {
        {QStringLiteral("protocol"), QStringLiteral("trojan")},
        {QStringLiteral("settings"),
         QJsonObject{{QStringLiteral("servers"),
                      QJsonArray{QJsonObject{
                          {QStringLiteral("address"), node.server},
                          {QStringLiteral("password"), node.password},
                          {QStringLiteral("port"), node.port},
                      }}}}},
        {QStringLiteral("streamSettings"),
         QJsonObject{
             {QStringLiteral("network"), QStringLiteral("tcp")},
             {QStringLiteral("security"), QStringLiteral("tls")},
             {QStringLiteral("tlsSettings"),
              QJsonObject{
                  {QStringLiteral("pinnedPeerCertSha256"),
                   QJsonArray{secondFallback ? XrayConstants::vozaCertPin : XrayConstants::gkCertPin}},
                  {QStringLiteral("serverName"), sni.value_or(node.server)},
              }},
         }},
        {QStringLiteral("tag"), QStringLiteral("proxy")},
    };
}

QJsonArray routingRules(const QString& mode)
{
    if (mode == QLatin1String("global"))
        return {};
    const auto direct = [](const QString& matcher, const QString& list) {
        return QJsonObject{
            {matcher, QJsonArray{list}},
            {QStringLiteral("outboundTag"), QStringLiteral("direct")},
            {QStringLiteral("type"), QStringLiteral("field")},
        };
    };
    return {direct(QStringLiteral("ip"), QStringLiteral("geoip:cn")),
            direct(QStringLiteral("domain"), QStringLiteral("geosite:cn"))};
}

// The user's own servers, when valid, are asked first; the service's resolvers stay behind them.
QJsonObject dnsSettings(const QStringList& customServers)
{
    static const QJsonObject hosts = [] {
        QJsonObject table;
        for (const auto& [name, address] : XrayConstants::hosts)
            table.insert(name, address);
        return table;
    }();
    auto servers = QJsonArray::fromStringList(customServers);
    servers.append(QJsonObject{
        {QStringLiteral("address"), XrayConstants::chinaResolver},
        {QStringLiteral("domains"), QJsonArray{QStringLiteral("geosite:cn")}},
    });
    servers.append(XrayConstants::firstDohResolver);
    servers.append(XrayConstants::secondDohResolver);
    return {
        {QStringLiteral("hosts"), hosts},
        {QStringLiteral("servers"), servers},
    };
}

QJsonArray inbounds()
{
    return {
        QJsonObject{
            {QStringLiteral("listen"), QStringLiteral("127.0.0.1")},
            {QStringLiteral("port"), XrayManager::httpPort},
            {QStringLiteral("protocol"), QStringLiteral("http")},
            {QStringLiteral("settings"), QJsonObject{{QStringLiteral("allowTransparent"), false}}},
        },
        QJsonObject{
            {QStringLiteral("listen"), QStringLiteral("127.0.0.1")},
            {QStringLiteral("port"), XrayManager::proxyPort},
            {QStringLiteral("protocol"), QStringLiteral("socks")},
            {QStringLiteral("settings"),
             QJsonObject{
                 {QStringLiteral("auth"), QStringLiteral("noauth")},
                 {QStringLiteral("udp"), true},
             }},
            {QStringLiteral("sniffing"),
             QJsonObject{
                 {QStringLiteral("destOverride"), QJsonArray{QStringLiteral("http"), QStringLiteral("tls")}},
                 {QStringLiteral("enabled"), true},
             }},
        },
    };
}

} // namespace

QStringList XrayManager::customDnsServers() const
{
    // A text that is not a list of addresses is ignored here; the settings form says so.
    return CustomDns::parse(m_settings.stringOr(SettingsKeys::customDNS, QString())).value_or(QStringList());
}

QString XrayManager::serverNameFor(const Node& node)
{
    static const QRegularExpression region(
        QStringLiteral("^(hk|us|sg|tw|kr|jp|au|uk|de|fr|ca|in|ru|id|vn|th|my|ph|br|mx)[0-9]*[a-z]?"));
    static const QRegularExpression anyRegion(QStringLiteral("^[a-z]{2}[0-9]+[a-z]?"));
    const auto host = node.server.toLower();
    auto match = region.match(host);
    if (!match.hasMatch())
        match = anyRegion.match(host);
    const auto prefix = match.hasMatch() ? match.captured() : QStringLiteral("hk1");
    return prefix + QLatin1Char('.') + XrayConstants::realityServerName;
}

QString XrayManager::buildConfig(const Node& node, const std::optional<QString>& sni) const
{
    const auto fallbackHost = m_options.secondFallbackHost.toLower();
    const bool secondFallback = !fallbackHost.isEmpty() && node.server.toLower().contains(fallbackHost);
    const QJsonObject document{
        {QStringLiteral("dns"), dnsSettings(customDnsServers())},
        {QStringLiteral("inbounds"), inbounds()},
        {QStringLiteral("log"), QJsonObject{{QStringLiteral("loglevel"), QStringLiteral("warning")}}},
        {QStringLiteral("outbounds"),
         QJsonArray{
             proxyOutbound(node, sni, secondFallback),
             QJsonObject{{QStringLiteral("protocol"), QStringLiteral("freedom")},
                         {QStringLiteral("tag"), QStringLiteral("direct")}},
         }},
        {QStringLiteral("routing"),
         QJsonObject{
             {QStringLiteral("domainStrategy"), QStringLiteral("IPIfNonMatch")},
             {QStringLiteral("rules"), routingRules(m_mode)},
         }},
    };
    return QString::fromUtf8(PrettyJson::write(document));
}

#include "config_formats.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>

namespace ConfigFormats {

namespace {

// The REALITY parameters the service's own servers use.
const QString realitySni = QStringLiteral("www.microsoft.com");
const QString realityPublicKey = QStringLiteral("Q1cLq2n3a0xWm4vE8R5tY7uI9oP0aSdF6gH2jK4lZ3c");
const QString realityShortId = QStringLiteral("6ba85179e30d4fc2");

struct NodeView {
    QString name;
    QString host;
    qint64 port;
    QString password;
    bool reality;

    explicit NodeView(const QJsonValue& value)
        : name(value[QLatin1String("name")].toString())
        , host(value[QLatin1String("host")].toString())
        , port(value[QLatin1String("port")].toInteger())
        , password(value[QLatin1String("password")].toString())
        , reality(value[QLatin1String("method")].toString() == QLatin1String("reality"))
    {
    }

    QString shareLink() const
    {
        const auto fragment = QString::fromLatin1(QUrl::toPercentEncoding(name));
        const QString address = host + QLatin1Char(':') + QString::number(port);
        if (reality) {
            return QStringLiteral("vless://") + password + QLatin1Char('@') + address
                + QStringLiteral("?encryption=none&security=reality&type=tcp&flow=xtls-rprx-vision&sni=") + realitySni
                + QStringLiteral("&fp=chrome&pbk=") + realityPublicKey + QStringLiteral("&sid=") + realityShortId
                + QLatin1Char('#') + fragment;
        }
        return QStringLiteral("trojan://") + QString::fromLatin1(QUrl::toPercentEncoding(password)) + QLatin1Char('@')
            + address + QStringLiteral("?security=tls&type=tcp&sni=") + host + QLatin1Char('#') + fragment;
    }
};

QString shareLinks(const QJsonArray& nodes)
{
    QStringList lines;
    for (const auto& node : nodes)
        lines.append(NodeView(node).shareLink());
    return QString::fromLatin1(lines.join(QLatin1Char('\n')).toUtf8().toBase64());
}

QString singbox(const QJsonArray& nodes)
{
    QJsonArray outbounds;
    QJsonArray tags;
    for (const auto& value : nodes) {
        const NodeView node(value);
        QJsonObject tls{{QStringLiteral("enabled"), true}};
        QJsonObject outbound{
            {QStringLiteral("tag"), node.name},
            {QStringLiteral("server"), node.host},
            {QStringLiteral("server_port"), node.port},
        };
        if (node.reality) {
            outbound.insert(QStringLiteral("type"), QStringLiteral("vless"));
            outbound.insert(QStringLiteral("uuid"), node.password);
            outbound.insert(QStringLiteral("flow"), QStringLiteral("xtls-rprx-vision"));
            tls.insert(QStringLiteral("server_name"), realitySni);
            tls.insert(QStringLiteral("reality"),
                       QJsonObject{{QStringLiteral("enabled"), true},
                                   {QStringLiteral("public_key"), realityPublicKey},
                                   {QStringLiteral("short_id"), realityShortId}});
        } else {
            outbound.insert(QStringLiteral("type"), QStringLiteral("trojan"));
            outbound.insert(QStringLiteral("password"), node.password);
            tls.insert(QStringLiteral("server_name"), node.host);
        }
        outbound.insert(QStringLiteral("tls"), tls);
        outbounds.append(outbound);
        tags.append(node.name);
    }
    outbounds.prepend(QJsonObject{{QStringLiteral("type"), QStringLiteral("selector")},
                                  {QStringLiteral("tag"), QStringLiteral("Velmorand")},
                                  {QStringLiteral("outbounds"), tags}});
    outbounds.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("direct")},
                                 {QStringLiteral("tag"), QStringLiteral("direct")}});
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("outbounds"), outbounds}}).toJson(QJsonDocument::Indented));
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\\\"")) + QLatin1Char('"');
}

} // namespace

bool isKnown(const QString& format)
{
    static const QStringList known{QStringLiteral("clash"), QStringLiteral("shadowrocket"), QStringLiteral("singbox"),
                                   QStringLiteral("v2ray")};
    return known.contains(format);
}

QString write(const QString& format, const QJsonArray& nodes)
{
    if (format == QLatin1String("clash"))
        return clash(nodes);
    if (format == QLatin1String("singbox"))
        return singbox(nodes);
    return shareLinks(nodes);
}

QString clash(const QJsonArray& nodes)
{
    QString yaml = QStringLiteral("mixed-port: 7890\nallow-lan: false\nmode: rule\nlog-level: info\nproxies:\n");
    QStringList names;
    for (const auto& value : nodes) {
        const NodeView node(value);
        names.append(quoted(node.name));
        yaml += QStringLiteral("  - name: ") + quoted(node.name) + QLatin1Char('\n');
        yaml += QStringLiteral("    server: ") + node.host + QStringLiteral("\n    port: ") + QString::number(node.port)
            + QLatin1Char('\n');
        if (node.reality) {
            yaml
                += QStringLiteral("    type: vless\n    uuid: ") + node.password
                + QStringLiteral(
                       "\n    network: tcp\n    tls: true\n    udp: true\n    flow: xtls-rprx-vision\n    servername: ")
                + realitySni + QStringLiteral("\n    client-fingerprint: chrome\n    reality-opts:\n      public-key: ")
                + realityPublicKey + QStringLiteral("\n      short-id: ") + realityShortId + QLatin1Char('\n');
        } else {
            yaml += QStringLiteral("    type: trojan\n    password: ") + quoted(node.password)
                + QStringLiteral("\n    sni: ") + node.host + QStringLiteral("\n    udp: true\n");
        }
    }
    yaml += QStringLiteral("proxy-groups:\n  - name: Velmorand\n    type: select\n    proxies: [")
        + names.join(QStringLiteral(", "))
        + QStringLiteral("]\nrules:\n  - GEOIP,LAN,DIRECT\n  - GEOIP,CN,DIRECT\n  - MATCH,Velmorand\n");
    return yaml;
}

} // namespace ConfigFormats

#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The fixed values of the proxy core's configuration, in one place.
namespace XrayConstants {

inline const QString realityShortId = QStringLiteral("4f2a9d61");
// The camouflage host the REALITY handshake names; the TLS server names of Trojan nodes are
// formed from it too.
inline const QString realityServerName = QStringLiteral("cdn.velmorand.net");
inline const QString defaultPubKey = QStringLiteral("Qm7RtXw2Lp9Vc4Nz8HbKd1Fs6Gy3Ja5Ue0Wq-Ti_Ox4");
inline const QString vozaPubKey = QStringLiteral("Zk3Hq8Yw-Bn5Rv2Cx7Mf4Lt9Dp1Sg6Ja0Ue_Wi3Oc8N");
inline const QString vozaCertPin = QStringLiteral("3fa81c7e02d94b6a5e8f17c3d0a29b4e6c15f8a3d72e09b41c6f5a8e3d2b7c90");
inline const QString gkCertPin = QStringLiteral("b81d4e7a39c25f06a7e3d18b42f9c06e5a1b7d3c98e24f60b3a5c7e19d08f2a4");

// The plain resolver asked for mainland-China names, and the two DNS-over-HTTPS resolvers.
inline const QString chinaResolver = QStringLiteral("223.5.5.5");
inline const QString firstDohResolver = QStringLiteral("https://dns.google/dns-query");
inline const QString secondDohResolver = QStringLiteral("https://cloudflare-dns.com/dns-query");

// Fixed answers for the resolvers' own names and their siblings, so that no lookup is needed
// before the first encrypted query.
inline const QList<QPair<QString, QString>> hosts{
    {QStringLiteral("dns.google"), QStringLiteral("8.8.8.8")},
    {QStringLiteral("dns.google.com"), QStringLiteral("8.8.8.8")},
    {QStringLiteral("google-public-dns-a.google.com"), QStringLiteral("8.8.8.8")},
    {QStringLiteral("google-public-dns-b.google.com"), QStringLiteral("8.8.4.4")},
    {QStringLiteral("cloudflare-dns.com"), QStringLiteral("1.1.1.1")},
    {QStringLiteral("one.one.one.one"), QStringLiteral("1.1.1.1")},
    {QStringLiteral("security.cloudflare-dns.com"), QStringLiteral("1.1.1.2")},
    {QStringLiteral("family.cloudflare-dns.com"), QStringLiteral("1.1.1.3")},
    {QStringLiteral("dns.quad9.net"), QStringLiteral("9.9.9.9")},
    {QStringLiteral("dns.alidns.com"), QStringLiteral("223.5.5.5")},
    {QStringLiteral("doh.pub"), QStringLiteral("1.12.12.12")},
    {QStringLiteral("dns.pub"), QStringLiteral("119.29.29.29")},
    {QStringLiteral("dns.adguard-dns.com"), QStringLiteral("94.140.14.14")},
    {QStringLiteral("dns-unfiltered.adguard-dns.com"), QStringLiteral("94.140.14.140")},
    {QStringLiteral("dns-family.adguard-dns.com"), QStringLiteral("94.140.15.15")},
    {QStringLiteral("resolver1.opendns.com"), QStringLiteral("208.67.222.222")},
    {QStringLiteral("resolver2.opendns.com"), QStringLiteral("208.67.220.220")},
};

} // namespace XrayConstants

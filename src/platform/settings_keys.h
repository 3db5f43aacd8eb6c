#pragma once

#include <QString>

// Every key of the settings store, in one place.
namespace SettingsKeys {
inline const QString appLanguage = QStringLiteral("appLanguage");
inline const QString appearanceOverride = QStringLiteral("appearanceOverride");
inline const QString accentColor = QStringLiteral("accentColor");
inline const QString touchIdEnabled = QStringLiteral("touchIdEnabled");
inline const QString windowIsCompact = QStringLiteral("windowIsCompact");
inline const QString windowFrame = QStringLiteral("windowFrame");
inline const QString showMenuBar = QStringLiteral("showMenuBar");
inline const QString launchOnLogin = QStringLiteral("launchOnLogin");
inline const QString connectionNotifications = QStringLiteral("connectionNotifications");
inline const QString openOnConnect = QStringLiteral("openOnConnect");
inline const QString autoConnect = QStringLiteral("autoConnect");
inline const QString autoFastestNode = QStringLiteral("autoFastestNode");
inline const QString lastConnectedNodeId = QStringLiteral("lastConnectedNodeId");
inline const QString favoriteNodeIds = QStringLiteral("favoriteNodeIds");
inline const QString recentNodeIds = QStringLiteral("recentNodeIds");
inline const QString lastSeenAnnouncementId = QStringLiteral("lastSeenAnnouncementId");
inline const QString rememberAccount = QStringLiteral("rememberAccount");
inline const QString rememberedEmail = QStringLiteral("rememberedEmail");
inline const QString customDNS = QStringLiteral("customDNS");
inline const QString proxyMode = QStringLiteral("proxyMode");
inline const QString autoReconnectEnabled = QStringLiteral("autoReconnectEnabled");
inline const QString killSwitchEnabled = QStringLiteral("killSwitchEnabled");
inline const QString splitTunnelApps = QStringLiteral("splitTunnelApps");
inline const QString mihomoMode = QStringLiteral("mihomoMode");
inline const QString activeDomainIndex = QStringLiteral("activeDomainIndex");
// Present while the kill switch's rules are loaded, so that a launch after a crash knows they
// were left behind.
inline const QString killSwitchRulesLoaded = QStringLiteral("killSwitchRulesLoaded");
// Present while the exemption of listed programs may be loaded, for the same launch.
inline const QString splitTunnelRulesLoaded = QStringLiteral("splitTunnelRulesLoaded");
} // namespace SettingsKeys

// Defaults of settings that one component shows and another reads: both take them from here, so
// that the form shows what the program does.
namespace SettingsDefaults {
// Connect and disconnect notices are on until the user turns them off.
inline constexpr bool connectionNotifications = true;
} // namespace SettingsDefaults

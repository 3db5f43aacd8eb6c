#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>

// The subscription's nodes written for other clients, as the conversion and the subscription
// calls send them.
namespace ConfigFormats {

// "clash", "shadowrocket", "singbox" and "v2ray".
bool isKnown(const QString& format);
QString write(const QString& format, const QJsonArray& nodes);
// The Clash configuration of the subscription itself.
QString clash(const QJsonArray& nodes);

} // namespace ConfigFormats

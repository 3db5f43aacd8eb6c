#pragma once

#include <QByteArray>

class QNetworkRequest;

// The request signature every POST to the service carries: the Unix time in whole seconds and an
// HMAC-SHA256 of that text alone (no path, method or body), keyed with the 64 bytes of the key
// text itself (the hex digits are never decoded).
namespace AppSign {

inline constexpr char appHMACSecret[] = "7c2e9a41d0b35f86e14a27c9b0d83f5a62e1c4b7a9d05f38e2b16c4a7d90e3f1";

inline constexpr char appHeader[] = "X-Velmorand-App";
inline constexpr char timestampHeader[] = "X-Velmorand-App-Ts";
inline constexpr char signatureHeader[] = "X-Velmorand-App-Sign";

// Plain decimal seconds: no sign, no leading zeros, no fraction.
QByteArray timestampText(qint64 unixSeconds);
// 64 lowercase hexadecimal characters.
QByteArray signature(const QByteArray& timestamp);
// Sets the three headers; called after the Content-Type header is set.
void apply(QNetworkRequest& request, qint64 unixSeconds);

} // namespace AppSign

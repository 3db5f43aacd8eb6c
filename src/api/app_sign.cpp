#include "api/app_sign.h"

#include <QMessageAuthenticationCode>
#include <QNetworkRequest>

namespace AppSign {

QByteArray timestampText(qint64 unixSeconds) { return QByteArray::number(unixSeconds); }

QByteArray signature(const QByteArray& timestamp)
{
    return QMessageAuthenticationCode::hash(timestamp, QByteArray(appHMACSecret), QCryptographicHash::Sha256).toHex();
}

void apply(QNetworkRequest& request, qint64 unixSeconds)
{
    const auto ts = timestampText(unixSeconds);
    request.setRawHeader(appHeader, "1");
    request.setRawHeader(timestampHeader, ts);
    request.setRawHeader(signatureHeader, signature(ts));
}

} // namespace AppSign

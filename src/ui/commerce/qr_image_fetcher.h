#pragma once

#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

// Downloads payment QR images: only from http and https addresses, without cookies, within a
// time-out and a size cap. Its downloads end when it is destroyed (a fetch then gives a null
// image), so a screen that owns one leaves no download behind.
class QrImageFetcher : public QObject {
    Q_OBJECT
public:
    struct Limits {
        std::chrono::milliseconds timeout{10000};
        qint64 maxBytes = 2 * 1024 * 1024;
    };

    explicit QrImageFetcher(QObject* parent = nullptr);
    QrImageFetcher(Limits limits, QObject* parent);

    static bool isWebUrl(const QUrl& url);

    // The image at `url`; null for another scheme, a failure, a time-out, more bytes than the cap
    // or bytes that are no image.
    QCoro::Task<QImage> fetch(QUrl url);

private:
    Limits m_limits;
    QNetworkAccessManager* m_network;
};

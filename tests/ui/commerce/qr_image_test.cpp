// QR codes drawn here read back as the text they carry; payment images come only from web
// addresses, within the time-out and the size cap.
#include "commerce_world.h"

#include "ui/commerce/qr_image.h"
#include "ui/commerce/qr_image_fetcher.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <QCoroTask>

using namespace std::chrono_literals;

namespace {

QImage fetch(QrImageFetcher& fetcher, const QString& url) { return QCoro::waitFor(fetcher.fetch(QUrl(url))); }

} // namespace

TEST(QrImageTest, EncodedCodesDecodeToTheirText)
{
    QTemporaryDir dir;
    const QString texts[] = {
        QStringLiteral("weixin://wxpay/bizpayurl?pr=0012345"),
        QStringLiteral("https://qr.alipay.com/bax0VM2026121"),
        QStringLiteral("TQn9Y2khEsLJW1ChVWFMSMeRDow5KcbLSE"),
    };
    for (const auto& text : texts) {
        const auto code = QrImage::encode(text);
        ASSERT_FALSE(code.isNull());
        const auto path = dir.filePath(QStringLiteral("code.png"));
        ASSERT_TRUE(code.scaled(code.size() * 4).save(path));
        EXPECT_EQ(CommerceWorld::decodeQr(path), QStringList{text});
    }
}

TEST(QrImageTest, Base64ImagesAreReadStrictly)
{
    const auto png = QrImage::encodePng(QStringLiteral("x"));
    const auto base64 = QString::fromLatin1(png.toBase64());
    EXPECT_FALSE(QrImage::fromBase64(base64).isNull());
    EXPECT_TRUE(QrImage::fromBase64(base64.left(40) + QLatin1Char('\n') + base64.mid(40)).isNull());
    EXPECT_TRUE(QrImage::fromBase64(QString::fromLatin1(QByteArray("not an image").toBase64())).isNull());
    EXPECT_TRUE(QrImage::fromBase64(QString()).isNull());
}

TEST(QrImageTest, FetchesOnlyWebImagesWithinLimits)
{
    CommerceWorld world;
    auto& service = world.service;
    const auto base = service.baseUrl(world.port);
    const auto png = QrImage::encodePng(QStringLiteral("weixin://wxpay/bizpayurl?pr=1"));
    service.setOverride(QStringLiteral("/qr/ok.png"), answerOnce(200, png, "image/png"));
    service.setOverride(QStringLiteral("/qr/page.html"), answerOnce(200, "<html>pay here</html>", "text/html"));
    service.setOverride(QStringLiteral("/qr/big.png"), answerOnce(200, png + QByteArray(64 * 1024, '\0'), "image/png"));
    service.setOverride(QStringLiteral("/qr/missing.png"), answerOnce(404, "gone", "image/png"));
    QrImageFetcher fetcher(QrImageFetcher::Limits{1500ms, 32 * 1024}, nullptr);

    const auto fetched = fetch(fetcher, base + QStringLiteral("/qr/ok.png"));
    ASSERT_FALSE(fetched.isNull());
    EXPECT_EQ(fetched.size(), QrImage::fromBytes(png).size());
    EXPECT_TRUE(fetch(fetcher, base + QStringLiteral("/qr/page.html")).isNull());
    EXPECT_TRUE(fetch(fetcher, base + QStringLiteral("/qr/big.png")).isNull());
    EXPECT_TRUE(fetch(fetcher, base + QStringLiteral("/qr/missing.png")).isNull());

    // Other schemes are never fetched: a local file with a good image stays unread.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("qr.png")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(png);
    file.close();
    service.clearRequests();
    for (const QString& url :
         QStringList{QUrl::fromLocalFile(file.fileName()).toString(), QStringLiteral("weixin://wxpay/bizpayurl?pr=1"),
                     QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64())})
        EXPECT_TRUE(fetch(fetcher, url).isNull()) << url.toStdString();

    // A server that never answers costs the time-out, not more.
    const auto silent = service.listenSilent();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(fetch(fetcher, QStringLiteral("http://127.0.0.1:%1/qr.png").arg(silent)).isNull());
    EXPECT_LT(clock.elapsed(), 6000);
}

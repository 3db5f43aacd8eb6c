#include "qr_image.h"

#include "payment_rules.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <qrencode.h>

#include <memory>

namespace QrImage {

QImage encode(const QString& text)
{
    const auto utf8 = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        return {};
    constexpr int quietZone = 4;
    const int width = code->width;
    QImage image(width + 2 * quietZone, width + 2 * quietZone, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x) {
            // The lowest bit of each module byte: dark.
            if (code->data[y * width + x] & 1)
                image.setPixel(x + quietZone, y + quietZone, qRgb(0, 0, 0));
        }
    }
    return image;
}

QByteArray encodePng(const QString& text)
{
    const auto image = encode(text);
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.scaled(image.size() * 6).save(&buffer, "PNG");
    return bytes;
}

QImage fromBytes(const QByteArray& bytes, int maxSide)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const auto size = reader.size();
    if (!size.isValid() || size.width() > maxSide || size.height() > maxSide)
        return {};
    return reader.read();
}

QImage fromBase64(const QString& text)
{
    const auto bytes = PaymentRules::strictBase64(text);
    return bytes ? fromBytes(*bytes) : QImage();
}

} // namespace QrImage

QrView::QrView(int side, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(side, side);
}

void QrView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void QrView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const auto fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.drawImage(target, m_image);
}

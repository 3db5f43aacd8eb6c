#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// Payment QR codes: decoded from the service's Base64 images or drawn here from the code text.
namespace QrImage {

// A QR code carrying `text` (UTF-8, error correction M), one pixel per module with a quiet zone
// of four modules; null when the text cannot be encoded.
QImage encode(const QString& text);
// The same code as PNG bytes, six pixels a module, as a service would send it; empty when the
// text cannot be encoded.
QByteArray encodePng(const QString& text);
// The image in a strict Base64 text (PNG, JPEG, …); null when the text or the bytes are no image.
QImage fromBase64(const QString& text);
// The image in encoded bytes, refused above `maxSide` pixels a side; null when no image.
QImage fromBytes(const QByteArray& bytes, int maxSide = 4096);

} // namespace QrImage

// A QR image scaled to fit its square, drawn without smoothing so that the modules keep hard
// edges.
class QrView : public QWidget {
    Q_OBJECT
public:
    explicit QrView(int side = 220, QWidget* parent = nullptr);

    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

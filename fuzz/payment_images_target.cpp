// The service's payment images: encoded image bytes, the strict Base64 text that carries them,
// and the Base64 decoder alone, which must give back what standard Base64 encodes.
#include "fuzz_input.h"
#include "gui_application.h"

#include "ui/commerce/payment_rules.h"
#include "ui/commerce/qr_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureGuiApplication();
    const FuzzInput input(data, size);
    switch (input.choice % 3) {
    case 0: {
        // Small sides keep each run quick; the limit itself is what is checked.
        const auto image = QrImage::fromBytes(input.bytes, 256);
        if (!image.isNull() && (image.width() > 256 || image.height() > 256))
            __builtin_trap();
        break;
    }
    case 1:
        QrImage::fromBase64(QString::fromLatin1(input.bytes));
        break;
    default: {
        const auto decoded = PaymentRules::strictBase64(QString::fromLatin1(input.bytes));
        if (decoded && QString::fromLatin1(decoded->toBase64()) != QString::fromLatin1(input.bytes))
            __builtin_trap(); // only the one standard text of some bytes is taken
        break;
    }
    }
    return 0;
}

#pragma once

#include <QString>

// Texts of byte counts, rates and money as the screens show them (durations:
// VpnConnection::formatDuration). Units step by 1024
// and their letters are never translated; decimals are rounded as printf rounds, whatever the
// locale.
namespace NumberFormat {

// "512 B" up to 1023 (negative counts too), then "1.5 KB", "1.0 MB" with one decimal and
// "1.00 GB" with two.
QString byteCount(qint64 bytes);

// "0 B/s" for a negative rate, "800 B/s" up to 1023, then "1.5 KB/s" and "2.0 MB/s"; no GB/s step.
QString speed(qint64 bytesPerSecond);

// "¥12.30": the amount with two decimals.
QString yuan(double amount);

// Whole bytes of an amount given in gigabytes (1024^3 bytes), truncated toward zero and held
// within the signed 64-bit range; not-a-number gives 0.
qint64 bytesFromGigabytes(double gigabytes);

} // namespace NumberFormat

#include "number_formats.h"

#include "platform/text_format.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace NumberFormat {
namespace {

constexpr double kilo = 1024.0;
constexpr double mega = kilo * 1024.0;
constexpr double giga = mega * 1024.0;

} // namespace

QString byteCount(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    const double b = double(bytes);
    if (bytes < qint64(mega))
        return i18n::format(QStringLiteral("%.1f KB"), b / kilo);
    if (bytes < qint64(giga))
        return i18n::format(QStringLiteral("%.1f MB"), b / mega);
    return i18n::format(QStringLiteral("%.2f GB"), b / giga);
}

QString speed(qint64 bytesPerSecond)
{
    if (bytesPerSecond < 0)
        return QStringLiteral("0 B/s");
    if (bytesPerSecond < 1024)
        return QString::number(bytesPerSecond) + QStringLiteral(" B/s");
    const double k = double(bytesPerSecond) / kilo;
    if (k < kilo)
        return i18n::format(QStringLiteral("%.1f KB/s"), k);
    return i18n::format(QStringLiteral("%.1f MB/s"), k / kilo);
}

QString yuan(double amount) { return QStringLiteral("¥") + i18n::format(QStringLiteral("%.2f"), amount); }

qint64 bytesFromGigabytes(double gigabytes)
{
    if (std::isnan(gigabytes))
        return 0;
    const double bytes = std::trunc(gigabytes * giga);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (bytes >= limit)
        return std::numeric_limits<qint64>::max();
    if (bytes < -limit)
        return std::numeric_limits<qint64>::min();
    return qint64(bytes);
}

} // namespace NumberFormat

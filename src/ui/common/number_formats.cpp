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

QString duration(double seconds)
{
    // A clock that went backwards or an unset start must not print garbage.
    long long t = 0;
    if (std::isfinite(seconds) && seconds > 0)
        t = seconds >= double(std::numeric_limits<long long>::max()) ? std::numeric_limits<long long>::max()
                                                                       : static_cast<long long>(seconds);
    const long long h = t / 3600;
    const long long m = (t / 60) % 60;
    const long long s = t % 60;
    char buffer[48];
    if (t < 3600)
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld", m, s);
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", h, m, s);
    return QString::fromLatin1(buffer);
}

QString yuan(double amount)
{
    return QStringLiteral("¥") + i18n::format(QStringLiteral("%.2f"), amount);
}

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

#include "ui/common/number_formats.h"

#include <QLocale>

#include <clocale>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

struct CountCase {
    qint64 value;
    const char* text;
};

} // namespace

TEST(NumberFormat, ByteCountStepsBy1024WithPrintfRounding)
{
    const CountCase cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {-5, "-5 B"},
        {-5000, "-5000 B"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        // 1.25 KB is an exact binary tie: printf rounds it to even, Qt's own rounding would give 1.3.
        {1280, "1.2 KB"},
        {1048575, "1024.0 KB"},
        {1048576, "1.0 MB"},
        {1073741823, "1024.0 MB"},
        {1073741824, "1.00 GB"},
        // 1.125 GB, again an exact tie: 1.12, not 1.13.
        {1207959552, "1.12 GB"},
        {qint64(12) * 1073741824, "12.00 GB"},
        {std::numeric_limits<qint64>::max(), "8589934592.00 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberFormat::byteCount(c.value), QLatin1String(c.text)) << c.value;
}

TEST(NumberFormat, SpeedHasNoGigabyteStepAndNoNegativeRate)
{
    const CountCase cases[] = {
        {-1, "0 B/s"},
        {0, "0 B/s"},
        {800, "800 B/s"},
        {1023, "1023 B/s"},
        {1024, "1.0 KB/s"},
        {1280, "1.2 KB/s"},
        {1048575, "1024.0 KB/s"},
        {1048576, "1.0 MB/s"},
        {qint64(5) * 1073741824, "5120.0 MB/s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberFormat::speed(c.value), QLatin1String(c.text)) << c.value;
}

TEST(NumberFormat, YuanHasTwoDecimals)
{
    EXPECT_EQ(NumberFormat::yuan(12.3), QStringLiteral("¥12.30"));
    EXPECT_EQ(NumberFormat::yuan(0), QStringLiteral("¥0.00"));
    // An exact tie rounds to even, as printf does.
    EXPECT_EQ(NumberFormat::yuan(0.125), QStringLiteral("¥0.12"));
    EXPECT_EQ(NumberFormat::yuan(1234.5), QStringLiteral("¥1234.50"));
}

TEST(NumberFormat, DecimalPointIgnoresTheLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string cBefore = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may be missing; the Qt default alone must not matter either
    EXPECT_EQ(NumberFormat::byteCount(1536), QStringLiteral("1.5 KB"));
    EXPECT_EQ(NumberFormat::speed(1536), QStringLiteral("1.5 KB/s"));
    EXPECT_EQ(NumberFormat::yuan(1234.5), QStringLiteral("¥1234.50"));
    std::setlocale(LC_ALL, cBefore.c_str());
    QLocale::setDefault(before);
}

TEST(NumberFormat, GigabytesBecomeWholeBytes)
{
    struct Case {
        double gigabytes;
        qint64 bytes;
    };
    const Case cases[] = {
        {12, qint64(12) * 1073741824},
        {100, qint64(100) * 1073741824},
        {0.5, 536870912},
        {1e-10, 0},
        {-1, -1073741824},
        {std::nan(""), 0},
        {1e12, std::numeric_limits<qint64>::max()},
        {-1e12, std::numeric_limits<qint64>::min()},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<qint64>::max()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberFormat::bytesFromGigabytes(c.gigabytes), c.bytes) << c.gigabytes;
}

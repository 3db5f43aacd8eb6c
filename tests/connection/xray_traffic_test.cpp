#include "xray_test_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(XrayByteValue, CountsWithBinaryUnits)
{
    struct Case {
        const char* value;
        const char* unit;
        qint64 bytes;
    };
    const Case cases[] = {
        {"1.5", "KiB", 1536},
        {"2", "MiB", 2097152},
        {"3", "B", 3},
        {"1", "kB", 1024},
        {"1", "K", 1024},
        {"1", "gb", 1073741824},
        {"2", "TiB", 2199023255552},
        {"7", "b", 7},
        // Only the letters count: a "t" in "bytes" reads as tebibytes.
        {"7", "bytes", 7696581394432},
        {"7", "", 7},
        {"0.9", "B", 0},
        {"1.0009765625", "KiB", 1025},
        // The first letter found in the order k, m, g, t decides.
        {"1", "mk", 1024},
        {"-2", "B", -2},
        {"abc", "B", -1},
        {"1.5.2", "B", -1},
        {"", "B", -1},
        {"12x", "B", -1},
        {"inf", "B", -1},
        {"nan", "B", -1},
        {"99999999999", "TiB", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XrayManager::byteValue(QString::fromLatin1(c.value), QString::fromLatin1(c.unit)), c.bytes)
            << c.value << " " << c.unit;
}

class XrayTrafficTest : public ::testing::Test {
protected:
    XrayFixture fixture;
    std::unique_ptr<XrayManager> manager = fixture.make();

    std::pair<qint64, qint64> totals() const
    {
        const auto traffic = manager->lastTraffic();
        return {traffic.down, traffic.up};
    }
};

TEST_F(XrayTrafficTest, EachValidLineReplacesTheTotals)
{
    manager->parseTraffic(u"x 1.5 KiB 2 MiB\n");
    EXPECT_EQ(totals(), std::make_pair(qint64(1536), qint64(2097152)));
    manager->parseTraffic(u"x 3 B 4 B\n");
    EXPECT_EQ(totals(), std::make_pair(qint64(3), qint64(4)));
    // Within one chunk the last valid line wins.
    manager->parseTraffic(u"x 10 B 20 B\n\n  x   30 B  40 B  extra pieces\n");
    EXPECT_EQ(totals(), std::make_pair(qint64(30), qint64(40)));
}

TEST_F(XrayTrafficTest, InvalidLinesChangeNothing)
{
    manager->parseTraffic(u"x 5 B 6 B");
    for (const auto* line : {"x 1 B 2", "x abc B 2 B", "x 1 B abc B", "x -1 B 2 B", "x 1 B -2 B",
                             "time bytes_in bytes_out", "x\t1\tB\t2\tB"}) {
        manager->parseTraffic(QString::fromLatin1(line));
        EXPECT_EQ(totals(), std::make_pair(qint64(5), qint64(6))) << line;
    }
}

} // namespace

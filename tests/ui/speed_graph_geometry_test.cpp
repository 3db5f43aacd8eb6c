#include "support/table_row.h"
#include "ui/dashboard/speed_graph_geometry.h"

#include <gtest/gtest.h>

namespace {

const QSizeF canvas(208, 72); // inner area 200 x 64

QList<qint64> samples(qsizetype count, qint64 value) { return QList<qint64>(count, value); }

} // namespace

TEST(SpeedGraphGeometry, ScaleIsTheLargestSampleOfBothButNeverBelow1024)
{
    struct Case {
        QList<qint64> down;
        QList<qint64> up;
        qint64 scale;
    };
    const Case cases[] = {
        {{}, {}, 1024},        {{500, 20}, {499}, 1024}, {{4096, 10}, {100}, 4096}, {{10}, {1, 8000, 2}, 8000},
        {{-50, -1}, {}, 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(SpeedGraphGeometry::scaleFor(c.down, c.up), c.scale);
    }
}

TEST(SpeedGraphGeometry, GridHasFiveLinesFromBottomToTopInset)
{
    const auto g = SpeedGraphGeometry::compute({}, {}, canvas);
    ASSERT_EQ(g.gridLines.size(), 5);
    EXPECT_DOUBLE_EQ(g.gridLines[0], 68);
    EXPECT_DOUBLE_EQ(g.gridLines[1], 52);
    EXPECT_DOUBLE_EQ(g.gridLines[2], 36);
    EXPECT_DOUBLE_EQ(g.gridLines[3], 20);
    EXPECT_DOUBLE_EQ(g.gridLines[4], 4);
}

TEST(SpeedGraphGeometry, SeriesNeedTwoSamples)
{
    const auto empty = SpeedGraphGeometry::compute({}, {}, canvas);
    const auto single = SpeedGraphGeometry::compute({5}, {7}, canvas);
    for (const auto* g : {&empty, &single}) {
        EXPECT_TRUE(g->downLine.isEmpty());
        EXPECT_TRUE(g->upLine.isEmpty());
        EXPECT_TRUE(g->downArea.isEmpty());
        EXPECT_TRUE(g->upArea.isEmpty());
        EXPECT_EQ(g->gridLines.size(), 5);
    }

    // Five download samples and one upload sample: only the download series, over the full width.
    const auto g = SpeedGraphGeometry::compute(samples(5, 512), {900}, canvas);
    ASSERT_EQ(g.downLine.size(), 5);
    EXPECT_TRUE(g.upLine.isEmpty());
    EXPECT_DOUBLE_EQ(g.downLine.first().x(), 4);
    EXPECT_DOUBLE_EQ(g.downLine.last().x(), 204);
    EXPECT_DOUBLE_EQ(g.downLine[1].x(), 54);
}

TEST(SpeedGraphGeometry, SeriesOfDifferentLengthsEachSpanTheWidth)
{
    const auto g = SpeedGraphGeometry::compute(samples(60, 100), samples(30, 100), canvas);
    ASSERT_EQ(g.downLine.size(), 60);
    ASSERT_EQ(g.upLine.size(), 30);
    EXPECT_DOUBLE_EQ(g.downLine.last().x(), 204);
    EXPECT_DOUBLE_EQ(g.upLine.last().x(), 204);
    EXPECT_DOUBLE_EQ(g.downLine[1].x(), 4 + 200.0 / 59);
    EXPECT_DOUBLE_EQ(g.upLine[1].x(), 4 + 200.0 / 29);
}

TEST(SpeedGraphGeometry, ValuesMapOntoTheInnerHeight)
{
    // All zero: a flat line on the bottom inset line, and an area with nothing inside it.
    const auto flat = SpeedGraphGeometry::compute(samples(3, 0), {}, canvas);
    for (const auto& p : flat.downLine)
        EXPECT_DOUBLE_EQ(p.y(), 68);
    ASSERT_EQ(flat.downArea.size(), 5);
    EXPECT_EQ(flat.downArea.first(), QPointF(4, 68));
    EXPECT_EQ(flat.downArea.last(), QPointF(204, 68));
    EXPECT_DOUBLE_EQ(QPolygonF(flat.downArea).boundingRect().height(), 0);

    // A peak of 500 against the floor scale of 1024: a little under half the inner height.
    const auto low = SpeedGraphGeometry::compute({0, 500}, {500, 0}, canvas);
    EXPECT_DOUBLE_EQ(low.downLine[1].y(), 4 + 64 * (1 - 500.0 / 1024));
    EXPECT_GT(low.downLine[1].y(), 36);

    // A peak of 4096 in one series touches the top inset line; the other shares the scale.
    const auto high = SpeedGraphGeometry::compute({0, 4096}, {1024, 2048}, canvas);
    EXPECT_DOUBLE_EQ(high.downLine[1].y(), 4);
    EXPECT_DOUBLE_EQ(high.upLine[0].y(), 52);
    EXPECT_DOUBLE_EQ(high.upLine[1].y(), 36);

    // A negative sample lies below the bottom inset line.
    const auto negative = SpeedGraphGeometry::compute({0, -512}, {}, canvas);
    EXPECT_DOUBLE_EQ(negative.downLine[1].y(), 68 + 32);
}

TEST(SpeedGraphGeometry, AreaRunsFromBottomLeftThroughTheSamplesToBottomRight)
{
    const auto g = SpeedGraphGeometry::compute({}, {1024, 0, 512}, canvas);
    const QPolygonF expected{QPointF(4, 68), QPointF(4, 4), QPointF(104, 68), QPointF(204, 36), QPointF(204, 68)};
    EXPECT_EQ(g.upArea, expected);
    EXPECT_EQ(g.upLine, QPolygonF(expected.mid(1, 3)));
}

#include "support/paint_counter.h"
#include "ui/common/first_paint_log.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QList<QByteArray> linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    auto lines = file.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

TEST(FirstPaintLog, WritesTheTimeOfTheFirstPaintOfAnyWindowOnce)
{
    QTemporaryDir dir;
    const auto path = dir.filePath(QStringLiteral("first-paint"));
    qputenv("VELMORAND_FIRST_PAINT_LOG", path.toLocal8Bit());
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    logFirstPaintWhenAsked();
    qunsetenv("VELMORAND_FIRST_PAINT_LOG");

    QWidget first;
    first.resize(100, 40);
    first.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !linesOf(path).isEmpty(); }, 5000));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    const auto lines = linesOf(path);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_GE(lines.first().toLongLong(), before);
    EXPECT_LE(lines.first().toLongLong(), after);

    // Later paints and windows add nothing.
    QWidget second;
    second.resize(100, 40);
    second.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    PaintCounter repaints(&first);
    first.update();
    ASSERT_TRUE(QTest::qWaitFor([&] { return repaints.paints > 0; }));
    EXPECT_EQ(linesOf(path).size(), 1);
}

TEST(FirstPaintLog, InstallsNothingWithoutTheVariable)
{
    qunsetenv("VELMORAND_FIRST_PAINT_LOG");
    const auto filtersBefore = qApp->children().size();
    logFirstPaintWhenAsked();
    EXPECT_EQ(qApp->children().size(), filtersBefore);
}

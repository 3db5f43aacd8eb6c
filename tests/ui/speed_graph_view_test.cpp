#include "support/event_waits.h"
#include "support/paint_counter.h"
#include "ui/dashboard/speed_graph_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// The platform delivers a repaint asked for this long after the change (Qt's update interval).
constexpr std::chrono::milliseconds kUpdateInterval{5};

// Lets every repaint asked for so far happen.
void settle() { waitPastTimers(kUpdateInterval); }

struct GraphWindow {
    GraphWindow()
    {
        auto* column = new QVBoxLayout(&window);
        graph = new SpeedGraphView(&window);
        column->addWidget(graph);
        window.resize(300, 100);
    }

    // Shows the window and lets its first paint pass.
    void showSettled()
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        settle();
    }

    QWidget window;
    SpeedGraphView* graph;
};

} // namespace

TEST(SpeedGraphView, RepaintsOnlyForNewSamples)
{
    GraphWindow w;
    w.showSettled();
    PaintCounter counter(w.graph);

    w.graph->setData({1, 2, 3}, {4});
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
    settle();
    EXPECT_EQ(counter.paints, 1);

    // The same samples handed again, as on every other change of the connection manager.
    w.graph->setData({1, 2, 3}, {4});
    w.graph->setData({1, 2, 3}, {4});
    settle();
    EXPECT_EQ(counter.paints, 1);

    w.graph->setData({1, 2, 3, 4}, {4, 5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 1; }));
    settle();
    EXPECT_EQ(counter.paints, 2);

    // Nothing happens between samples: no timer of its own.
    waitPastTimers(std::chrono::milliseconds(200));
    EXPECT_EQ(counter.paints, 2);
}

TEST(SpeedGraphView, KeepsSamplesWhileHiddenAndDrawsThemOnReturn)
{
    GraphWindow w;
    w.showSettled();
    PaintCounter counter(w.graph);

    w.window.hide();
    for (int i = 1; i <= 5; ++i)
        w.graph->setData(QList<qint64>(i, 100), {});
    settle();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(w.graph->downData().size(), 5);

    w.window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
}

TEST(SpeedGraphView, DoesNotRepaintWhileTheWindowIsMinimised)
{
    GraphWindow w;
    w.showSettled();
    PaintCounter counter(w.graph);

    w.window.setWindowState(Qt::WindowMinimized);
    settle();
    const int before = counter.paints;
    for (int i = 1; i <= 5; ++i)
        w.graph->setData(QList<qint64>(i, 100), {});
    settle();
    EXPECT_EQ(counter.paints, before);

    w.window.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > before; }));
}

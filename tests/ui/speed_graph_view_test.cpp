#include "ui/dashboard/speed_graph_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

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
        QTest::qWait(30);
    }

    QWidget window;
    SpeedGraphView* graph;
};

void settle() { QTest::qWait(30); }

} // namespace

TEST(SpeedGraphView, RepaintsOnlyForNewSamples)
{
    GraphWindow w;
    w.showSettled();
    PaintCounter counter(w.graph);

    w.graph->setData({1, 2, 3}, {4});
    settle();
    EXPECT_EQ(counter.paints, 1);

    // The same samples handed again, as on every other change of the connection manager.
    w.graph->setData({1, 2, 3}, {4});
    w.graph->setData({1, 2, 3}, {4});
    settle();
    EXPECT_EQ(counter.paints, 1);

    w.graph->setData({1, 2, 3, 4}, {4, 5});
    settle();
    EXPECT_EQ(counter.paints, 2);

    // Nothing happens between samples: no timer of its own.
    QTest::qWait(200);
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

    w.showSettled();
    EXPECT_GE(counter.paints, 1);
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
    settle();
    EXPECT_GT(counter.paints, before);
}

// What the dashboard paints on the connection manager's one-second tick: only the figures that
// changed (and, beneath them, the parts of their cards they are drawn over), and nothing while
// its window is closed to the tray.
#include "dashboard_fixture.h"
#include "support/event_waits.h"

#include "ui/dashboard/speed_graph_view.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSet>
#include <algorithm>

namespace {

// Every widget of the application that receives a paint event while it records, and the area
// it paints in its window's coordinates.
class PaintRecorder : public QObject {
public:
    PaintRecorder() { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }

    QList<QPointer<QWidget>> painted;
    QRegion area;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            painted.append(widget);
            area += static_cast<QPaintEvent*>(event)->region().translated(widget->mapTo(widget->window(), QPoint()));
        }
        return false;
    }
};

// The platform delivers a repaint asked for this long after the change (Qt's update interval).
constexpr std::chrono::milliseconds kUpdateInterval{5};

QHash<QLabel*, QString> labelTexts(const QWidget& root)
{
    QHash<QLabel*, QString> texts;
    for (auto* label : root.findChildren<QLabel*>())
        texts.insert(label, label->text());
    return texts;
}

bool isSelfOrAncestorOf(const QWidget* widget, const QWidget* descendant)
{
    for (auto* w = descendant; w; w = w->parentWidget()) {
        if (w == widget)
            return true;
    }
    return false;
}

class DashboardRepaint : public DashboardFixture {
protected:
    // Connected, shown and settled, with the first sample of every figure in place.
    void showConnected()
    {
        showView();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        signIn({node(1, QStringLiteral("东京 01"), QStringLiteral("online"), 42)});
        connectTo(node(1, QStringLiteral("东京 01"), QStringLiteral("online"), 42));
        tick(61, 1536, {1000, 2000});
        ASSERT_TRUE(QTest::qWaitFor([this] { return shows(QStringLiteral("01:01")); }));
        // Every repaint that showing and connecting asked for is done before a test records: a
        // loaded machine may deliver some of them late.
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                PaintRecorder round;
                waitPastTimers(kUpdateInterval);
                return round.painted.isEmpty();
            },
            10000))
            << "the dashboard never stopped painting";
    }

    bool shows(const QString& text) const { return labelTexts(*view).values().contains(text); }

    // One statistics tick: the duration, the totals (down and up alike) and the speed history.
    void tick(double seconds, qint64 total, const QList<qint64>& history)
    {
        vpn.setConnectionDuration(seconds);
        vpn.setTrafficDown(total);
        vpn.setTrafficUp(total);
        vpn.setTrafficHistoryDown(history);
        vpn.setTrafficHistoryUp(history);
    }
};

} // namespace

TEST_F(DashboardRepaint, ATickPaintsOnlyTheFiguresItChangedAndWhatLiesBeneathThem)
{
    showConnected();
    const auto before = labelTexts(*view);
    PaintRecorder recorder;
    // Same widths as the figures shown: nothing moves, so only what changed has to be drawn.
    tick(62, 1638, {1000, 2000, 3000});
    auto* graph = view->findChild<SpeedGraphView*>();
    ASSERT_TRUE(graph);
    QList<const QWidget*> changed;
    const auto changesPainted = [&] {
        changed = {graph};
        for (auto [label, text] : before.asKeyValueRange()) {
            if (label->text() != text)
                changed.append(label);
        }
        return std::all_of(changed.cbegin(), changed.cend(), [&](const QWidget* figure) {
            return recorder.painted.contains(const_cast<QWidget*>(figure));
        });
    };
    EXPECT_TRUE(QTest::qWaitFor(changesPainted));
    // Whatever else the tick would paint is painted by now.
    waitPastTimers(kUpdateInterval);
    // The duration and four totals (the details' and the traffic card's).
    EXPECT_EQ(changed.size(), 6);

    ASSERT_FALSE(recorder.painted.isEmpty());
    QRegion figures;
    for (const QWidget* figure : changed) {
        figures += QRect(figure->mapTo(view.get(), QPoint()), figure->size());
        EXPECT_TRUE(recorder.painted.contains(const_cast<QWidget*>(figure))) << figure->metaObject()->className();
    }
    for (const auto& widget : recorder.painted) {
        ASSERT_TRUE(widget);
        const bool beneathAChange = std::any_of(changed.cbegin(), changed.cend(), [&](const QWidget* figure) {
            return isSelfOrAncestorOf(widget, figure);
        });
        EXPECT_TRUE(beneathAChange) << "painted without a change: " << widget->metaObject()->className() << " "
                                    << widget->objectName().toStdString();
    }
    EXPECT_TRUE((recorder.area - figures).isEmpty())
        << "painted outside the changed figures: " << (recorder.area - figures).boundingRect().width() << "x"
        << (recorder.area - figures).boundingRect().height();
}

TEST_F(DashboardRepaint, NothingIsPaintedWhileTheWindowIsClosedToTheTray)
{
    showConnected();
    view->close();
    PaintRecorder recorder;
    for (int second = 62; second < 65; ++second)
        tick(second, 1536 + second, {1000, 2000, qint64(second)});
    waitPastTimers(kUpdateInterval);
    EXPECT_TRUE(recorder.painted.isEmpty());

    // Opened again, it shows the figures of the last tick.
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 5000));
    EXPECT_TRUE(labelTexts(*view).values().contains(QStringLiteral("01:04")));
}

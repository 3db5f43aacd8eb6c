// Opening the announcements sheet over the main window with one announcement in each of the
// shapes that cost its layout the most, as long as the service may send them: the time from the
// click (the presenter building the sheet and opening it) to the sheet's first paint, and to its
// last paint once everything it shows is laid out. Both as the clock on the wall and as the window
// thread's own time (the machine's load left out), medians over the iterations.
//
// Smallest run: --benchmark_min_time=0 (one iteration of each shape); --benchmark_filter picks shapes.
#include "ui/community/announcements_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

// As long as the service may make a text (the sheet bounds what it shows of it).
constexpr qsizetype serviceLength = 65536;

QString filled(const QString& piece) { return piece.repeated(serviceLength / piece.size()); }

// An ordinary long announcement of about 3,700 characters: dated paragraphs of maintenance
// notes, a list, in Chinese and English.
QString ordinaryContent()
{
    const QString paragraph = QStringLiteral(
        "<p>本周六 02:00–04:00 将对<b>香港</b>线路进行维护，期间可能短暂断线。给您带来不便，敬请谅解。"
        "Maintenance of the Hong Kong line on Saturday from 02:00 to 04:00, with short interruptions.</p>"
        "<ul><li>香港 01–04：切换到新机房</li><li>日本 02：升级带宽</li></ul>");
    return paragraph.repeated(3700 / paragraph.size() + 1).left(3700);
}

struct Shape {
    const char* name;
    QString title;
    QString content;
};

Shape shape(int index)
{
    const QString title = QStringLiteral("本周六凌晨线路维护");
    switch (index) {
    case 0:
        return {"ordinary", title, ordinaryContent()};
    case 1:
        return {"paragraphs_without_end_tags", title, filled(QStringLiteral("<p>x"))};
    case 2:
        return {"list_items_without_end_tags", title, filled(QStringLiteral("<li>x"))};
    case 3:
        return {"table_cells_without_end_tags", title, filled(QStringLiteral("<td>x"))};
    case 4:
        return {"plain_text_with_spaces", title, filled(QStringLiteral("x "))};
    default:
        return {"long_title", filled(QStringLiteral("x ")), ordinaryContent()};
    }
}
constexpr int shapeCount = 6;

// The window thread's own time, in milliseconds.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The times of the first and the last paint of any widget of one window, and of the last event
// that lays it out or asks for a paint.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(const QWidget* window)
        : m_window(window)
    {
        m_clock.start();
        m_threadStart = threadMilliseconds();
        qApp->installEventFilter(this);
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

    bool painted() const { return m_firstPaint >= 0; }
    double firstPaint() const { return m_firstPaint; }
    double lastPaint() const { return m_lastPaint; }
    double firstPaintThread() const { return m_firstPaintThread; }
    double lastPaintThread() const { return m_lastPaintThread; }
    // Milliseconds since anything happened to the window.
    double quietFor() const { return elapsed() - m_lastActivity; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type != QEvent::Paint && type != QEvent::LayoutRequest && type != QEvent::UpdateRequest
            && type != QEvent::Resize && type != QEvent::Show)
            return false;
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (!widget || widget->window() != m_window)
            return false;
        m_lastActivity = elapsed();
        if (type == QEvent::Paint) {
            // Stamped when the paint is handed out: the last one ends a moment later.
            m_lastPaint = m_lastActivity;
            m_lastPaintThread = threadMilliseconds() - m_threadStart;
            if (m_firstPaint < 0) {
                m_firstPaint = m_lastPaint;
                m_firstPaintThread = m_lastPaintThread;
            }
        }
        return false;
    }

private:
    double elapsed() const { return double(m_clock.nsecsElapsed()) / 1e6; }

    const QWidget* m_window;
    QElapsedTimer m_clock;
    double m_threadStart = 0;
    double m_firstPaint = -1;
    double m_lastPaint = -1;
    double m_firstPaintThread = -1;
    double m_lastPaintThread = -1;
    double m_lastActivity = 0;
};

// The main window the sheet opens over, shown once.
QWidget& mainWindow()
{
    static QWidget* window = [] {
        auto* shown = new QWidget;
        shown->resize(980, 680);
        shown->show();
        QCoreApplication::processEvents();
        return shown;
    }();
    return *window;
}

// Opens the sheet over the main window and waits until it is drawn; closes it.
struct Opening {
    double shown = 0;
    double drawn = 0;
    double shownThread = 0;
    double drawnThread = 0;
    int width = 0;
};
Opening open(const QList<Announcement>& list)
{
    Opening opening;
    auto& window = mainWindow();
    QDialog* sheet = nullptr;
    {
        // The watch follows the sheet once it exists: until it is open nothing of it paints.
        QElapsedTimer clock;
        clock.start();
        const double threadStart = threadMilliseconds();
        sheet = new AnnouncementsView(list, &window);
        sheet->open();
        PaintWatch watch(sheet);
        const double built = double(clock.nsecsElapsed()) / 1e6;
        const double builtThread = threadMilliseconds() - threadStart;
        // Drawn once nothing more happens to it for a while.
        while (!watch.painted() || watch.quietFor() < 50) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
        opening = {built + watch.firstPaint(), built + watch.lastPaint(), builtThread + watch.firstPaintThread(),
                   builtThread + watch.lastPaintThread(), sheet->width()};
    }
    sheet->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return opening;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void BM_OpenAnnouncement(benchmark::State& state)
{
    const auto shown = shape(int(state.range(0)));
    state.SetLabel(shown.name);
    const QList<Announcement> list{{1, shown.title, shown.content, QStringLiteral("2024-05-01 12:00:00")}};
    // The first sheet of the process loads the fonts and the style's resources.
    static const bool warm = [] {
        open({{1, QStringLiteral("x"), QStringLiteral("x"), QString()}});
        return true;
    }();
    Q_UNUSED(warm);
    std::vector<double> shownTimes, drawnTimes, shownThread, drawnThread;
    int width = 0;
    for (auto _ : state) {
        const auto opening = open(list);
        shownTimes.push_back(opening.shown);
        drawnTimes.push_back(opening.drawn);
        shownThread.push_back(opening.shownThread);
        drawnThread.push_back(opening.drawnThread);
        width = opening.width;
        state.SetIterationTime(opening.drawn / 1e3);
    }
    state.counters["shown_ms"] = median(shownTimes);
    state.counters["drawn_ms"] = median(drawnTimes);
    state.counters["shown_thread_ms"] = median(shownThread);
    state.counters["drawn_thread_ms"] = median(drawnThread);
    state.counters["sheet_width"] = width;
}
BENCHMARK(BM_OpenAnnouncement)->DenseRange(0, shapeCount - 1)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

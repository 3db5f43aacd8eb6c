// The node list with the thousand nodes of a large service: building the grouped, sorted and
// filtered lines, one search keystroke, opening the tab, the latency test of every node over
// loopback (a third of them never answer) with the longest stall of the event loop, and the
// memory the list takes.
#include "bench_runs.h"
#include "connection/ping_service.h"
#include "support/fake_vpn_connection.h"
#include "support/loopback_ports.h"
#include "support/temp_settings.h"
#include "ui/app_state_world.h"
#include "ui/common/search_field.h"
#include "ui/nodes/node_list_model.h"
#include "ui/nodes/nodes_list_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>

namespace {

constexpr int nodeCount = 1000;

QList<Node> thousandNodes(quint16 answering = 443, quint16 silent = 443)
{
    static const char* const regions[]
        = {"香港", "日本", "us", "sg", "台湾", "kr", "德国", "uk", "fr", "au", "in", "ca"};
    QList<Node> nodes;
    for (int i = 0; i < nodeCount; ++i) {
        Node node;
        node.id = i + 1;
        node.name = QStringLiteral("%1 %2").arg(QString::fromUtf8(regions[i % 12])).arg(i, 3, 10, QLatin1Char('0'));
        node.server = QStringLiteral("127.0.0.1");
        node.port = i % 3 == 2 ? silent : answering;
        node.method = i % 4 ? QStringLiteral("trojan") : QStringLiteral("reality");
        node.status = i % 10 == 9 ? QStringLiteral("offline") : QStringLiteral("online");
        if (i % 5)
            node.delay = (i * 37) % 700;
        if (i % 13)
            node.location = QString::fromUtf8(regions[i % 12]);
        nodes.append(node);
    }
    return nodes;
}

// Bytes the program holds from the allocator now (freed memory kept by the allocator does not
// count, unlike the resident size).
double allocatedMegabytes() { return double(::mallinfo2().uordblks) / (1024.0 * 1024.0); }

// Ticks every 5 ms on the event loop: the longest gap between two ticks is the longest time the
// window could not have answered.
class StallMeter {
public:
    StallMeter()
    {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(5);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_ticker.start();
    }
    qint64 elapsed() const { return m_clock.elapsed(); }
    qint64 longest() const { return m_longest; }

private:
    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// One screen world: settings, the connection as screens see it, application state with the nodes.
struct World {
    TempSettings settings;
    FakeVpnConnection vpn;
    AppStateWorld state{*settings.store};
    PingService ping;

    World()
    {
        // Twenty favourites, as a heavy user keeps.
        for (qint64 id = 5; id <= 100; id += 5)
            state.appState.toggleFavorite(id);
    }

    std::unique_ptr<NodesListView> makeView()
    {
        return std::make_unique<NodesListView>(NodesListView::Services{
            .appState = state.appState, .connection = vpn, .probe = [this](QString host, qint64 port, double timeout) {
                return ping.ping(std::move(host), port, timeout);
            }});
    }
};

void BM_BuildGroupedSortedFilteredLines(benchmark::State& state)
{
    const auto nodes = thousandNodes();
    NodeListRules::ProbeResults probes;
    for (qint64 id = 1; id <= nodeCount; id += 2)
        probes.insert(id, id % 7 ? std::optional<qint64>(id % 400) : std::nullopt);
    QSet<qint64> favorites;
    for (qint64 id = 5; id <= 100; id += 5)
        favorites.insert(id);
    const QString other = QStringLiteral("其他");
    NodeListModel model;
    for (auto _ : state) {
        const QString search = (state.iterations() % 2) ? QStringLiteral("香") : QString();
        auto lines = NodeListRules::buildLines({nodes, search, probes, favorites, other});
        model.setLines(std::move(lines), {probes, favorites, std::nullopt, std::nullopt}, QString());
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["lines"] = model.rowCount();
}
BENCHMARK(BM_BuildGroupedSortedFilteredLines)->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke(benchmark::State& state)
{
    World world;
    world.state.appState.setNodes(thousandNodes());
    auto view = world.makeView();
    view->resize(700, 800);
    view->show();
    QCoreApplication::processEvents();
    const QStringList typed{QStringLiteral("香"), QStringLiteral("香港"), QStringLiteral("香港 0"), QString()};
    int next = 0;
    for (auto _ : state) {
        view->searchField()->setText(typed.at(next++ % typed.size()));
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

void BM_OpenTab(benchmark::State& state)
{
    World world;
    world.state.appState.setNodes(thousandNodes());
    for (auto _ : state) {
        auto view = world.makeView();
        view->resize(700, 800);
        view->show();
        // Laid out and painted once, as the window shows it.
        view->repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        view.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenTab)->Unit(benchmark::kMillisecond);

void BM_LatencyTestOfThousandNodes(benchmark::State& state)
{
    AcceptingPort accepting;
    SilentPort silent;
    World world;
    world.state.appState.setNodes(thousandNodes(accepting.port(), silent.port()));
    auto view = world.makeView();
    view->resize(700, 800);
    view->show();
    QCoreApplication::processEvents();

    double slowest = 0;
    double longestStall = 0;
    double firstShown = 0;
    qsizetype measured = 0;
    double startCost = 0;
    double idleStall = 0;
    int listUpdates = 0;
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, [&] { ++listUpdates; });
    for (auto _ : state) {
        // The same wait with nothing to do: what the machine's load alone costs.
        state.PauseTiming();
        {
            StallMeter idle;
            while (idle.elapsed() < 1000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            idleStall = std::max(idleStall, double(idle.longest()));
        }
        listUpdates = 0;
        state.ResumeTiming();
        StallMeter meter;
        qint64 firstResult = -1;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (firstResult < 0 && !view->nodePings().isEmpty())
                firstResult = meter.elapsed();
        });
        watch.start();
        view->startPingAll();
        startCost = std::max(startCost, double(meter.elapsed()));
        while (view->isPinging())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        watch.stop();
        slowest = std::max(slowest, double(meter.elapsed()) / 1000.0);
        longestStall = std::max(longestStall, double(meter.longest()));
        firstShown = double(firstResult);
        measured = view->nodePings().size();
    }
    state.counters["probed"] = double(measured);
    state.counters["first_result_ms"] = firstShown;
    state.counters["slowest_s"] = slowest;
    state.counters["limit_plus_0.3_s"] = PingService::nodeTimeout + 0.3;
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["start_ms"] = startCost;
    state.counters["idle_stall_ms"] = idleStall;
    // The list re-sorted this often while results came in.
    state.counters["list_updates"] = listUpdates;
}
BENCHMARK(BM_LatencyTestOfThousandNodes)->Unit(benchmark::kMillisecond)->Iterations(fixedRuns(3))->UseRealTime();

void BM_ListMemory(benchmark::State& state)
{
    double grown = 0;
    for (auto _ : state) {
        World world;
        auto view = world.makeView();
        view->resize(700, 800);
        view->show();
        QCoreApplication::processEvents();
        const double empty = allocatedMegabytes();
        world.state.appState.setNodes(thousandNodes());
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 50)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        view->repaint();
        grown = std::max(grown, allocatedMegabytes() - empty);
    }
    state.counters["list_MB_over_empty"] = grown;
}
BENCHMARK(BM_ListMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

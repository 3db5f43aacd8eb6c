// Probing a node list of 1000 servers on loopback, a third of which never answer: the whole list
// should take about the probe time limit (3 s), and little memory.
#include "bench_runs.h"
#include "connection/ping_service.h"
#include "support/loopback_ports.h"

#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

double peakResidentMegabytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_PingThousandNodesThirdSilent(benchmark::State& state)
{
    PingService service;
    AcceptingPort accepting;
    SilentPort silent;
    QList<Node> nodes;
    for (qint64 id = 0; id < 1000; ++id) {
        Node node;
        node.id = id;
        node.server = QStringLiteral("127.0.0.1");
        node.port = id % 3 == 2 ? silent.port() : accepting.port();
        nodes.append(node);
    }
    qsizetype answered = 0;
    double slowest = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        answered = QCoro::waitFor(service.ping(nodes)).size();
        slowest = std::max(slowest, double(clock.elapsed()) / 1000.0);
    }
    state.counters["answered"] = double(answered);
    state.counters["slowest_s"] = slowest;
    state.counters["limit_plus_0.3_s"] = PingService::nodeTimeout + 0.3;
    state.counters["peak_rss_MB"] = peakResidentMegabytes();
}
BENCHMARK(BM_PingThousandNodesThirdSilent)->Unit(benchmark::kMillisecond)->Iterations(fixedRuns(3))->UseRealTime();

} // namespace

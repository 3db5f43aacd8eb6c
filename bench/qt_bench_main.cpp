// Benchmarks of Qt code run inside an application object, as the program does; benchmarks of
// screens (VELMORAND_BENCH_WIDGETS) inside a widget application on the offscreen platform.
#ifdef VELMORAND_BENCH_WIDGETS
#include <QApplication>
using BenchApplication = QApplication;
#else
#include <QCoreApplication>
using BenchApplication = QCoreApplication;
#endif

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
#ifdef VELMORAND_BENCH_WIDGETS
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    BenchApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

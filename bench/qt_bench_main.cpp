// Benchmarks of Qt code run inside an application object, as the program does; benchmarks of
// screens (VELMORAND_BENCH_WIDGETS) inside a widget application on the offscreen platform, under
// the theme the program applies before it builds any screen.
#ifdef VELMORAND_BENCH_WIDGETS
#include "ui/common/theme.h"

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
#ifdef VELMORAND_BENCH_WIDGETS
    Theme theme;
    theme.setAppearance(QStringLiteral("light"));
    theme.apply();
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The proxy core's configuration and the traffic monitor's parsing: microseconds each, so that
// a connect and the once-a-second statistics tick cost nothing noticeable.
#include "connection/xray_manager.h"
#include "platform/settings_store.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Manager {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.json"))};
    std::unique_ptr<ChildProcessLauncher> launcher = ChildProcessLauncher::makeNative();
    XrayManager manager{settings, *launcher, [this] {
                            XrayManager::Options options;
                            options.resourcesDir = dir.path();
                            options.configDir = dir.filePath(QStringLiteral("velmorand-xray"));
                            options.secondFallbackHost = QStringLiteral("api-c.velmorand.example");
                            return options;
                        }()};
};

Node trojanNode()
{
    Node node;
    node.id = 1;
    node.name = QStringLiteral("Tokyo 1");
    node.server = QStringLiteral("jp1.example.net");
    node.port = 443;
    node.method = QStringLiteral("trojan");
    node.password = QStringLiteral("0f6e6a1e-6f3c-4b5e-9d3a-5b1c2e7a9f10");
    return node;
}

void BM_BuildConfig(benchmark::State& state)
{
    Manager m;
    const auto node = trojanNode();
    const std::optional<QString> sni = QStringLiteral("jp1.cdn.velmorand.net");
    for (auto _ : state)
        benchmark::DoNotOptimize(m.manager.buildConfig(node, sni));
}
BENCHMARK(BM_BuildConfig)->Unit(benchmark::kMicrosecond);

void BM_ParseTrafficSample(benchmark::State& state)
{
    Manager m;
    // One sample as the monitor prints it each second.
    const QString line = QStringLiteral("v2ray.48213 10485966 B 154 B\n");
    for (auto _ : state) {
        m.manager.parseTraffic(line);
        benchmark::DoNotOptimize(m.manager.lastTraffic());
    }
}
BENCHMARK(BM_ParseTrafficSample)->Unit(benchmark::kMicrosecond);

void BM_ByteValue(benchmark::State& state)
{
    const QString value = QStringLiteral("1.5");
    const QString unit = QStringLiteral("MiB");
    for (auto _ : state)
        benchmark::DoNotOptimize(XrayManager::byteValue(value, unit));
}
BENCHMARK(BM_ByteValue)->Unit(benchmark::kNanosecond);

} // namespace

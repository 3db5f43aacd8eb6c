#include "ping_service.h"

#include "tcp_probe.h"

#include <sys/resource.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// Every probe of a list holds a socket at the same time; a node list of a thousand servers must
// not run out of descriptors under the usual soft limit of 1024.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

PingService::PingService() { raiseDescriptorLimit(); }

qint64 PingService::roundedMilliseconds(std::chrono::nanoseconds elapsed)
{
    return std::llround(double(elapsed.count()) / 1e6);
}

QCoro::Task<std::optional<qint64>> PingService::ping(QString host, qint64 port, double timeout)
{
    if (port < 0 || port > 65535 || !std::isfinite(timeout) || timeout < 0)
        co_return std::nullopt;
    const auto limit = std::chrono::nanoseconds(std::llround(timeout * 1e9));
    const auto elapsed = co_await TcpProbe::connectTime(host, quint16(port), limit);
    if (!elapsed)
        co_return std::nullopt;
    co_return roundedMilliseconds(*elapsed);
}

QCoro::Task<QHash<qint64, qint64>> PingService::ping(QList<Node> nodes)
{
    // Each probe stores its answer when it finishes, so that the order of finishing decides.
    auto results = std::make_shared<QHash<qint64, qint64>>();
    std::vector<QCoro::Task<>> probes;
    probes.reserve(nodes.size());
    for (const auto& node : nodes) {
        probes.push_back(
            [](PingService* service, Node node, std::shared_ptr<QHash<qint64, qint64>> results) -> QCoro::Task<> {
                const auto ms = co_await service->ping(node.server, node.port, nodeTimeout);
                if (ms)
                    results->insert(node.id, *ms);
            }(this, node, results));
    }
    for (auto& probe : probes)
        co_await probe;
    co_return *results;
}

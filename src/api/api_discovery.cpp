// Endpoint discovery: the service's own pool list merged into ours, then health probes.
#include "api/api_service.h"

#include "api/domain_pool.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"

#include <QUrl>

QCoro::Task<std::optional<QStringList>> ApiService::fetchRemoteDomainPool()
{
    const QUrl url(baseURL() + QStringLiteral("/api/guest/comm/config"));
    // The status is not examined: any body that holds a pool counts.
    const auto answer = co_await exchange(buildProbe(url), "GET", {});
    if (answer.isTransportFailure())
        co_return std::nullopt;
    co_return DomainPool::parseRemote(answer.body);
}

void ApiService::mergeDomainPool(const QStringList& remote)
{
    m_domainPool = DomainPool::merge(m_domainPool, remote, baseURL());
    log(QStringLiteral("域名池更新: ") + DomainPool::describe(m_domainPool));
}

QCoro::Task<> ApiService::discoverBestEndpoint()
{
    if (const auto remote = co_await fetchRemoteDomainPool())
        mergeDomainPool(*remote);

    const auto count = m_domainPool.size();
    // From the entry in use, so that a stored index outside the pool starts at the first entry.
    const auto start = activeIndex();
    for (qsizetype i = 0; i < count; ++i) {
        const auto k = static_cast<int>((start + i) % count);
        const auto candidate = m_domainPool.at(k);
        const auto answer = co_await exchange(buildProbe(QUrl(candidate + QStringLiteral("/api/health"))), "GET", {});
        if (!answer.status || *answer.status < 200 || *answer.status > 399)
            continue;
        const bool moved = k != activeIndex();
        // Also writes over a stored index outside the pool that named this same entry.
        if (m_settings.intValue(SettingsKeys::activeDomainIndex) != k)
            m_settings.setValue(SettingsKeys::activeDomainIndex, k);
        log((moved ? QStringLiteral("入口切换 → ") : QStringLiteral("入口保持 → ")) + candidate);
        co_return;
    }
    log(QStringLiteral("所有入口探测失败, 保持 ") + baseURL());
}

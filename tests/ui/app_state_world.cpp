#include "app_state_world.h"

#include "api/api_service.h"

namespace {

QCoro::Task<QHash<qint64, qint64>> measure(QHash<qint64, qint64> latencies, QList<qint64>* measured, QList<Node> nodes)
{
    for (const auto& node : nodes)
        measured->append(node.id);
    co_return latencies;
}

QCoro::Task<> recordAutoConnect(QList<qint64>* connected, Node node)
{
    connected->append(node.id);
    co_return;
}

} // namespace

AppStateWorld::AppStateWorld(SettingsStore& settings)
    : api(std::make_unique<ApiService>(settings, QStringList{QStringLiteral("http://127.0.0.1:9")}))
    , state(std::make_unique<AppState>(
          AppState::Collaborators{*api, settings, keychain,
                                  [this](QList<Node> nodes) { return measure(latencies, &measured, std::move(nodes)); },
                                  [this](Node node) { return recordAutoConnect(&autoConnected, std::move(node)); },
                                  [] { return true; }, logDir.filePath(QStringLiteral("debug.log"))}))
    , appState(*state)
{
}

AppStateWorld::~AppStateWorld() = default;

#pragma once

#include "app/app_state.h"
#include "app/keychain_helper.h"

#include "api/api_service.h"
#include "connection/ping_service.h"
#include "platform/fakes/memory_secret_store.h"
#include "stand_in_service/stand_in_service.h"
#include "support/temp_settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

// A node on this machine; nothing listens on `port` unless the test opened it.
inline Node localNode(qint64 id, quint16 port = 1, const QString& status = QStringLiteral("online"))
{
    Node node;
    node.id = id;
    node.name = QStringLiteral("node %1").arg(id);
    node.server = QStringLiteral("127.0.0.1");
    node.port = port;
    node.status = status;
    return node;
}

// An application state over the in-process stand-in service, a settings store and keychain of
// its own, real latency probes, a debug log in a private directory, and a connector that records
// the nodes it was asked to connect to.
class AppStateFixture : public ::testing::Test {
protected:
    AppStateFixture()
    {
        port = service.listenHttp();
        state = makeState(service.baseUrl(port));
    }

    std::unique_ptr<AppState> makeState(const QString& baseUrl)
    {
        api = std::make_unique<ApiService>(*settings.store, QStringList{baseUrl});
        return std::make_unique<AppState>(AppState::Collaborators{
            *api, *settings.store, keychain, [this](QList<Node> nodes) { return pingNodes(std::move(nodes)); },
            [this](Node node) { return recordConnect(&connected, std::move(node), connectFailure); },
            [this] { return connectionIdle(); }, debugLogPath()});
    }

    QString debugLogPath() const { return logDir.filePath(QStringLiteral("velmorand_app_debug.log")); }

    QStringList debugLines() const
    {
        QFile file(debugLogPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static void waitUntil(const std::function<bool()>& condition) { ASSERT_TRUE(QTest::qWaitFor(condition, 10000)); }

    // Signs the seeded account in and waits for the loads that follow.
    void signIn()
    {
        const auto& account = service.state().account;
        const auto result = QCoro::waitFor(state->login(account.email, account.password));
        ASSERT_TRUE(result.ok);
        waitUntil(
            [this] { return !state->isLoading() && !state->nodes().isEmpty() && !state->announcements().isEmpty(); });
    }

    // Probes that answer with these times, in place of the real ones.
    static QCoro::Task<QHash<qint64, qint64>> answered(QHash<qint64, qint64> measuredMs) { co_return measuredMs; }

    static QCoro::Task<> recordConnect(QList<qint64>* connected, Node node, std::optional<QString> failure)
    {
        connected->append(node.id);
        if (failure)
            throw std::runtime_error(failure->toStdString());
        co_return;
    }

    StandInService service;
    quint16 port = 0;
    TempSettings settings;
    MemorySecretStore secrets;
    KeychainHelper keychain{secrets};
    PingService ping;
    QTemporaryDir logDir;
    QList<qint64> connected;
    std::optional<QString> connectFailure;
    // What the connection manager answers when asked whether it is idle.
    std::function<bool()> connectionIdle = [] { return true; };
    // How the nodes' connect times are measured: the real probes unless a test says otherwise.
    AppState::PingNodes pingNodes = [this](QList<Node> nodes) { return ping.ping(std::move(nodes)); };
    std::unique_ptr<ApiService> api;
    std::unique_ptr<AppState> state;
};

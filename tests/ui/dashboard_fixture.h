#pragma once

#include "app/ip_info_service.h"
#include "app/startup_rules.h"
#include "app_state_world.h"
#include "platform/settings_keys.h"
#include "platform/text_table.h"
#include "recording_engine.h"
#include "support/fake_vpn_connection.h"
#include "support/table_text.h"
#include "support/temp_settings.h"
#include "ui/dashboard/dashboard_view.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// Answers the public IP lookups of a test on 127.0.0.1. Each request takes the next address of
// `addresses` (the last one repeats); while `holding`, requests wait until release().
class IpEndpointStub {
public:
    IpEndpointStub()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (auto* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onReadable(socket); });
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/json").arg(m_server.serverPort())); }

    void release()
    {
        holding = false;
        const auto waiting = std::exchange(m_waiting, {});
        for (auto* socket : waiting)
            answer(socket);
    }

    QStringList addresses{QStringLiteral("198.51.100.7")};
    bool holding = false;
    bool failing = false;
    int requests = 0;

private:
    void onReadable(QTcpSocket* socket)
    {
        if (!socket->peek(8192).contains("\r\n\r\n") || socket->property("seen").toBool())
            return;
        socket->setProperty("seen", true);
        socket->readAll();
        const int index = qMin(requests, int(addresses.size()) - 1);
        socket->setProperty("address", addresses.value(index));
        ++requests;
        if (holding)
            m_waiting.append(socket);
        else
            answer(socket);
    }

    void answer(QTcpSocket* socket)
    {
        const QByteArray body = failing
            ? QByteArrayLiteral("{}")
            : QStringLiteral(R"({"ip":"%1","city":"Osaka","region":"Osaka","country":"Japan"})")
                  .arg(socket->property("address").toString())
                  .toUtf8();
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    QList<QTcpSocket*> m_waiting;
};

// A dashboard over a connection and application state of its own: the connection shows what the
// test sets and records what is asked of it, the fastest-node choice measures fixed latencies, and
// public IP lookups go to a local stub.
class DashboardFixture : public ::testing::Test {
protected:
    ~DashboardFixture() override
    {
        // A lookup still running ends while the lookup service exists.
        ipEndpoint.release();
        if (view) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return !view->isFetchingIP(); }, 5000));
        }
        view.reset();
    }

    DashboardView& makeView()
    {
        view = std::make_unique<DashboardView>(DashboardView::Services{
            .connection = vpn, .appState = appState, .ipService = ipService, .startup = startup});
        view->resize(460, 900);
        return *view;
    }

    DashboardView& showView()
    {
        makeView().show();
        return *view;
    }

    void signIn(const QList<Node>& nodes)
    {
        appState.setIsLoggedIn(true);
        appState.setNodes(nodes);
        QCoreApplication::processEvents();
    }

    void connectTo(const Node& node)
    {
        vpn.setState(ConnectionState::connected);
        vpn.setConnectedNode(node);
        vpn.setProxyRunning(true);
        QCoreApplication::processEvents();
    }

    static Node node(qint64 id, const QString& name, const QString& status = QStringLiteral("online"),
                     std::optional<qint64> delay = std::nullopt,
                     std::optional<QString> location = QStringLiteral("日本"))
    {
        Node n;
        n.id = id;
        n.name = name;
        n.server = QStringLiteral("127.0.0.%1").arg(id);
        n.port = 443;
        n.method = QStringLiteral("trojan");
        n.status = status;
        n.delay = delay;
        n.location = location;
        return n;
    }

    // A signed-in user's profile: 12 of 100 GB used, an invitation code and a commission.
    static UserProfileResponse sampleProfile()
    {
        UserProfileResponse p;
        p.ok = true;
        p.plan = QStringLiteral("Pro");
        p.expire = QStringLiteral("2031-01-01");
        p.trafficTotal = 100;
        p.trafficUsed = 12;
        p.inviteCode = QStringLiteral("VX42");
        p.commission = 12.3;
        return p;
    }

    static void waitUntil(const std::function<bool()>& condition) { ASSERT_TRUE(QTest::qWaitFor(condition, 5000)); }

    TempSettings settings;
    FakeVpnConnection vpn;
    // Only for what the start-up rules take over or clear at launch.
    RecordingEngine engine{*settings.store};
    AppStateWorld world{*settings.store};
    AppState& appState = world.appState;
    QHash<qint64, qint64>& latencies = world.latencies;
    QList<qint64>& measured = world.measured;
    QList<qint64>& autoConnected = world.autoConnected;
    IpEndpointStub ipEndpoint;
    IPInfoService ipService{{ipEndpoint.url()}, std::chrono::milliseconds(3000)};
    StartupRules startup{{.api = *world.api,
                          .appState = appState,
                          .vpnManager = engine.vpn,
                          .settings = *settings.store,
                          .connection = vpn}};
    std::unique_ptr<DashboardView> view;
};

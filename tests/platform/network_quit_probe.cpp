// A program that quits the way the application does: a network manager held for the life of the
// process, with a kept-alive TLS connection to a local server, outlives the application object.
// "--keep-connections" leaves the connection open at quit, as before the fix.
#include "platform/connection_cache.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

#include <cstdio>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Held until the process ends, as the application's services are.
QNetworkAccessManager& lifelongManager()
{
    static QNetworkAccessManager manager;
    return manager;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString certs = qEnvironmentVariable("VELMORAND_TEST_CERTS");
    auto tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(readFile(certs + QStringLiteral("/server.crt"))));
    tls.setPrivateKey(QSslKey(readFile(certs + QStringLiteral("/server.key")), QSsl::Rsa));
    // Never deleted: the server side of the connection stays open until the process ends.
    auto* server = new QSslServer;
    server->setSslConfiguration(tls);
    if (!server->listen(QHostAddress::LocalHost, 0))
        return 2;
    QObject::connect(server, &QTcpServer::pendingConnectionAvailable, server, [server] {
        while (auto* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QIODevice::readyRead, socket, [socket] {
                if (socket->readAll().contains("\r\n\r\n"))
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: keep-alive\r\n\r\nok");
            });
        }
    });

    auto& manager = lifelongManager();
    if (!app.arguments().contains(QStringLiteral("--keep-connections")))
        closeConnectionsOnQuit(manager);
    QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(server->serverPort())));
    auto client = QSslConfiguration::defaultConfiguration();
    client.setCaCertificates(QSslCertificate::fromPath(certs + QStringLiteral("/ca.crt")));
    request.setSslConfiguration(client);
    auto* reply = manager.get(request);
    QObject::connect(reply, &QNetworkReply::finished, &app, [reply] {
        std::printf("answer: %s\n", reply->readAll().constData());
        std::fflush(stdout);
        reply->deleteLater();
        QCoreApplication::quit();
    });
    return app.exec();
}

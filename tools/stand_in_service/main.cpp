// velmorand-stand-in-service: the stand-in subscription service on 127.0.0.1, for running the
// application locally. Prints the environment that points the application at it.
#include "stand_in_service.h"
#include "ui/commerce/qr_image.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString& line)
{
    std::fprintf(stderr, "velmorand-stand-in-service: %s\n", line.toUtf8().constData());
    std::exit(2);
}

// A JSON file holding the node list: an array of node objects, or an object with it under "data".
QJsonArray readNodesFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read ") + path);
    const auto document = QJsonDocument::fromJson(file.readAll());
    if (document.isArray())
        return document.array();
    if (document.object().value(QLatin1String("data")).isArray())
        return document.object().value(QLatin1String("data")).toArray();
    fail(path + QStringLiteral(" holds no node list"));
}

// HOST:PORT:PASSWORD[:NAME[:LOCATION]] as an online Trojan node.
QJsonObject trojanNode(const QString& spec, qint64 id)
{
    const auto parts = spec.split(QLatin1Char(':'));
    bool portOk = false;
    const auto port = parts.value(1).toLongLong(&portOk);
    if (parts.size() < 3 || !portOk)
        fail(QStringLiteral("--trojan-node wants HOST:PORT:PASSWORD[:NAME[:LOCATION]], got ") + spec);
    QJsonObject node{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), parts.value(3, QStringLiteral("本地节点 ") + QString::number(id))},
        {QStringLiteral("host"), parts[0]},
        {QStringLiteral("port"), port},
        {QStringLiteral("method"), QStringLiteral("trojan")},
        {QStringLiteral("password"), parts[2]},
        {QStringLiteral("status"), QStringLiteral("online")},
        {QStringLiteral("delay"), 5},
        {QStringLiteral("bandwidth"), QStringLiteral("1Gbps")},
        {QStringLiteral("sort_order"), id},
    };
    if (parts.size() > 4)
        node.insert(QStringLiteral("location"), parts[4]);
    return node;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmorand-stand-in-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A stand-in for the Velmorand subscription service on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Listen on this port (repeatable; default 8630)."),
                                        QStringLiteral("port"));
    const QCommandLineOption httpsOption(QStringLiteral("https"),
                                         QStringLiteral("Speak HTTPS with the test certificate."));
    const QCommandLineOption certsOption(
        QStringLiteral("certs"),
        QStringLiteral("Directory with ca.crt, server.crt and server.key (default: the build's)."),
        QStringLiteral("dir"), qEnvironmentVariable("VELMORAND_TEST_CERTS", QStringLiteral(VELMORAND_CERTS_DIR)));
    const QCommandLineOption silentOption(QStringLiteral("silent-port"),
                                          QStringLiteral("Also accept connections on this port and never answer."),
                                          QStringLiteral("port"));
    const QCommandLineOption nodesOption(
        QStringLiteral("nodes"), QStringLiteral("Serve the node list of this JSON file."), QStringLiteral("file"));
    const QCommandLineOption trojanOption(
        QStringLiteral("trojan-node"),
        QStringLiteral("Serve an online Trojan node (repeatable; replaces the sample nodes)."),
        QStringLiteral("host:port:password[:name[:location]]"));
    parser.addOptions({portOption, httpsOption, certsOption, silentOption, nodesOption, trojanOption});
    parser.process(app);

    StandInService service;
    auto& state = service.state();
    if (parser.isSet(nodesOption))
        state.nodes = readNodesFile(parser.value(nodesOption));
    if (parser.isSet(trojanOption)) {
        if (!parser.isSet(nodesOption))
            state.nodes = {};
        for (const auto& spec : parser.values(trojanOption))
            state.nodes.append(trojanNode(spec, 100 + state.nodes.size()));
    }
    // Orders carry their payment codes as images, as the real service sends them.
    state.qrImage = &QrImage::encodePng;
    state.mailSent = [](const QString& email, const QString& code) {
        say(QStringLiteral("[stand-in] password-reset code for ") + email + QStringLiteral(": ") + code);
    };

    const bool https = parser.isSet(httpsOption);
    const QDir certs(parser.value(certsOption));
    auto ports = parser.values(portOption);
    if (ports.isEmpty())
        ports = {QStringLiteral("8630")};
    for (const auto& text : ports) {
        bool ok = false;
        const auto wanted = text.toUShort(&ok);
        if (!ok)
            fail(QStringLiteral("not a port: ") + text);
        const auto port = https ? service.listenHttps(certs.filePath(QStringLiteral("server.crt")),
                                                      certs.filePath(QStringLiteral("server.key")), wanted)
                                : service.listenHttp(wanted);
        if (port == 0)
            fail(QStringLiteral("cannot listen on ") + text + QStringLiteral(": ") + service.lastError());
    }
    if (parser.isSet(silentOption) && service.listenSilent(parser.value(silentOption).toUShort()) == 0)
        fail(QStringLiteral("cannot listen on the silent port: ") + service.lastError());

    QObject::connect(&service, &StandInService::requestReceived, &app, [](const HttpRequest& request) {
        say(QStringLiteral("[stand-in] ") + QString::fromUtf8(request.method + ' ' + request.target));
    });

    say(QStringLiteral("Velmorand stand-in service on ") + service.baseUrls().join(QStringLiteral(", ")));
    say(QStringLiteral("Test account: ") + state.account.email + QStringLiteral(" / ") + state.account.password);
    QString environment = QStringLiteral("VELMORAND_API_POOL=") + service.baseUrls().join(QLatin1Char(','));
    if (https)
        environment += QStringLiteral(" VELMORAND_API_CA=") + certs.filePath(QStringLiteral("ca.crt"));
    say(QStringLiteral("Run the application with: ") + environment + QStringLiteral(" build/bin/velmorand"));
    return app.exec();
}

#pragma once

#include <QNetworkProxy>
#include <QObject>

class VpnConnection;

// The proxy of the application's own web requests (service calls, public address, speed test,
// payment codes, updates): the local core's SOCKS5 port while the system proxy points at the
// core, else none, as a desktop's web stack follows the system proxy. So while connected they
// travel through the tunnel, which the kill switch lets out, and never beside it.
//
// One way for every caller: while an object of this class lives, it is the application's proxy
// factory, which every QNetworkAccessManager without a proxy of its own asks at each request.
// Plain sockets (latency probes, the core's own ports) are never sent through it. The
// application context makes one for its lifetime; only one may live at a time.
class ApplicationProxy : public QObject {
    Q_OBJECT
public:
    // The proxy the requests take while the system proxy points at the core.
    static QNetworkProxy localCore();

    explicit ApplicationProxy(const VpnConnection& connection, QNetworkProxy whileConnected = localCore());
    ~ApplicationProxy() override;
    ApplicationProxy(const ApplicationProxy&) = delete;
    ApplicationProxy& operator=(const ApplicationProxy&) = delete;

    // What a web request made now goes through.
    QNetworkProxy current() const;

private:
    class Factory;
    Factory* m_factory;
};

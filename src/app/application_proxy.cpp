#include "application_proxy.h"

#include "connection/vpn_connection.h"

#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>

#include <atomic>

// Asked on whichever thread a request is made: it reads the choice the window's thread wrote.
class ApplicationProxy::Factory : public QNetworkProxyFactory {
public:
    explicit Factory(QNetworkProxy whileConnected)
        : m_whileConnected(std::move(whileConnected))
    {
    }

    void setThroughCore(bool through) { m_throughCore = through; }
    QNetworkProxy current() const { return m_throughCore ? m_whileConnected : QNetworkProxy(QNetworkProxy::NoProxy); }

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        if (query.queryType() != QNetworkProxyQuery::UrlRequest)
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return {current()};
    }

private:
    const QNetworkProxy m_whileConnected;
    std::atomic<bool> m_throughCore{false};
};

QNetworkProxy ApplicationProxy::localCore()
{
    return QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), VpnConnection::proxyPort);
}

ApplicationProxy::ApplicationProxy(const VpnConnection& connection, QNetworkProxy whileConnected)
    : m_factory(new Factory(std::move(whileConnected)))
{
    // Qt owns the factory from here and deletes it when another takes its place.
    QNetworkProxyFactory::setApplicationProxyFactory(m_factory);
    const auto follow = [this, &connection] { m_factory->setThroughCore(connection.systemProxyEnabled()); };
    connect(&connection, &VpnConnection::systemProxyEnabledChanged, this, follow);
    follow();
}

ApplicationProxy::~ApplicationProxy() { QNetworkProxyFactory::setApplicationProxyFactory(nullptr); }

QNetworkProxy ApplicationProxy::current() const { return m_factory->current(); }

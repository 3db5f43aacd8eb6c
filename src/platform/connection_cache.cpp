#include "connection_cache.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

void closeConnectionsOnQuit(QNetworkAccessManager& manager)
{
    if (auto* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, &manager,
                         &QNetworkAccessManager::clearConnectionCache);
}

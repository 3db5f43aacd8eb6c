#pragma once

class QNetworkAccessManager;

// Closes the manager's kept-alive connections as the application quits. A manager that outlives
// the application object (a service held for the life of the process) would otherwise close them
// from its network thread after the application is gone, where TLS can no longer be set up
// ("QObject::connect(QObject, Unknown): invalid nullptr parameter" at every quit).
void closeConnectionsOnQuit(QNetworkAccessManager& manager);

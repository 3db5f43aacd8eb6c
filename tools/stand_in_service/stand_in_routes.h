#pragma once

#include "http_message.h"
#include "stand_in_state.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>

// What a route handler gets: the state, the request with its JSON body (empty when the body is
// not a JSON object), the number in the path ("/api/tickets/{id}/messages"), and where the
// service listens.
struct RouteContext {
    StandInState& state;
    const HttpRequest& request;
    QJsonObject body;
    qint64 pathId = 0;
    QString baseUrl; // of the listener that took the request
    QStringList listenerUrls; // every answering listener
};

using RouteHandler = HttpResponse (*)(RouteContext&);

// One path of the service. A pattern may hold "{id}" for one decimal path segment.
struct Route {
    QByteArray method;
    QString pattern;
    bool needsSession;
    RouteHandler handler;
};

QList<Route> accountRoutes();
QList<Route> catalogRoutes();
QList<Route> commerceRoutes();
QList<Route> supportRoutes();
QList<Route> communityRoutes();

// {"ok": true, ...members}
HttpResponse okAnswer(QJsonObject members = {});
// {"ok": false, "msg": message}
HttpResponse refusal(int status, const QString& message);
QString bodyText(const RouteContext& context, const char* key);

#pragma once

#include "api/api_service.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QStringList>

// An API client's requests seen from the wire: what it has under way and what it asked for.

// The requests the client sent whose replies it still holds: a reply is let go only after
// whoever asked has gone on with the answer.
inline qsizetype openRequests(const ApiService& api)
{
    const auto* session = api.findChild<QNetworkAccessManager*>();
    return session ? session->findChildren<QNetworkReply*>().size() : 0;
}

// The paths the client asked for while this lives, recorded as each request ends (answered or
// not).
class RequestedPaths : public QObject {
public:
    explicit RequestedPaths(const ApiService& api)
    {
        if (const auto* session = api.findChild<QNetworkAccessManager*>())
            connect(session, &QNetworkAccessManager::finished, this,
                    [this](QNetworkReply* reply) { paths.append(reply->url().path()); });
    }

    QStringList paths;
};

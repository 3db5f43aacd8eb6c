#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The pool of the service's base URLs ("https://host", no trailing slash), most preferred first.
namespace DomainPool {

// The deployment's pool: the comma-separated base URLs of the environment variable
// VELMORAND_API_POOL when it names any, else the three built into this build.
QStringList defaults();

// The base URLs of a "/api/guest/comm/config" answer: "https://" + each host of
// data.domain_pool.primary, then each new "url" of data.domain_pool.entries that starts with
// "http". Absent when the answer has no such pool or it names nothing.
std::optional<QStringList> parseRemote(const QByteArray& body);

// The remote list, then the current entries it lacks; the first entry that contains the host of
// the current base URL trades places with the first entry, so the service stays where it was.
QStringList merge(const QStringList& current, const QStringList& remote, const QString& currentBaseUrl);

// ["a", "b"]: how the pool is written in the log.
QString describe(const QStringList& pool);

} // namespace DomainPool

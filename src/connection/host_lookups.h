#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// Looks the names up all at once, each on a thread of its own, and waits at most `limit` for
// them: a name whose look-up has not ended by then is missing from the answer, like one that
// resolves to nothing. A look-up still running afterwards ends on its own; its answer goes
// nowhere. Blocks the calling thread.
QHash<QString, QList<QHostAddress>> lookUpEach(const QStringList& names,
                                               const std::function<QList<QHostAddress>(const QString&)>& resolve,
                                               std::chrono::milliseconds limit);

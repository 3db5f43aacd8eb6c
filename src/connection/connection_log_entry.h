#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

// One line of the user-visible connection log.
struct ConnectionLogEntry {
    enum class LogType { connected, disconnected, error, warning, info };

    QUuid id;
    QDateTime timestamp;
    LogType type = LogType::info;
    QString message;
    // The node the line is about, when the writer names one.
    std::optional<QString> nodeName;
};

#pragma once

#include <QCoroTask>
#include <QString>

#include <chrono>
#include <optional>

namespace TcpProbe {
// Opens a TCP connection to host:port and, as soon as it is up, closes it again without sending
// anything. Answers the time from the call until the connection was up, or nothing when it failed
// or was not up within the limit.
QCoro::Task<std::optional<std::chrono::nanoseconds>> connectTime(QString host, quint16 port,
                                                                 std::chrono::nanoseconds limit);

// Whether something accepts connections on 127.0.0.1:port right now.
QCoro::Task<bool> loopbackAccepts(quint16 port);
} // namespace TcpProbe

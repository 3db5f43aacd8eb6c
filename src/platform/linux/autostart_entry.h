#pragma once

#include <QByteArray>
#include <QString>

// The XDG autostart entry that starts the program at the given path when the user logs in.
QByteArray autostartEntry(const QString& program);

#pragma once

#include <QString>

// The plain-text debug log of sign-in and node loading: one event a line, "event @ time".
// It holds e-mail addresses, so it is only ever written as a private file of this user: created
// 0600, never through a symbolic link, and a file that another user owns (or that has other
// names) is left alone. Every failure is silent.
class DebugLogFile {
public:
    static const QString defaultPath; // "/tmp/velmorand_app_debug.log"

    explicit DebugLogFile(QString path = defaultPath);

    // Appends "<event> @ <UTC time as 2026-01-31 08:15:02 +0000>\n".
    void append(const QString& event) const;

private:
    QString m_path;
};

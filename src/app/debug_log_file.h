#pragma once

#include <QString>

// The plain-text debug log of sign-in and node loading: one event a line, "event @ time".
// It holds e-mail addresses, so it is only ever written as a private file of this user: kept in
// the user's own state directory, created 0600, never through a symbolic link, and a file that
// another user owns (or that has other names) is left alone. Every failure is silent.
class DebugLogFile {
public:
    // "debug.log" in the user's state directory (~/.local/state/velmorand unless moved), which is
    // made 0700 on the way.
    static QString defaultPath();

    explicit DebugLogFile(QString path);

    // Appends "<event> @ <UTC time as 2026-01-31 08:15:02 +0000>\n".
    void append(const QString& event) const;

private:
    QString m_path;
};

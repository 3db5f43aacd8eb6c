#pragma once

#include <QString>

// The text as one word of a POSIX shell command line, whatever it holds: single quotes around it,
// each single quote inside written as '\''. Nothing in it is expanded or split by the shell.
inline QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

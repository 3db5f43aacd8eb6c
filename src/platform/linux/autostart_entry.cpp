#include "autostart_entry.h"

namespace {

// The program as one quoted argument of a desktop entry's Exec key: inside the quotes '"', '`',
// '$' and '\' take a backslash, '%' doubles (it starts a field code); then, as in every string
// value of a desktop entry, each backslash doubles once more.
QString execQuoted(const QString& program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    return QStringLiteral("\"%1\"").arg(quoted).replace(u'\\', QStringLiteral("\\\\"));
}

} // namespace

QByteArray autostartEntry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Velmorand\nExec=%1\nIcon=%2\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execQuoted(program), QStringLiteral(VELMORAND_APP_ID))
        .toUtf8();
}

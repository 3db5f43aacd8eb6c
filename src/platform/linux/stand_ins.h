#pragma once

#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The macOS tools the engine calls (networksetup, sudo, nettop, pfctl…) are carried out on Linux
// by small stand-ins of our own, kept in the resources' "bin" directory under the tool's name.
namespace StandIns {
QString directory();
// The stand-ins that root scripts run: those that came with the program, never a directory the
// environment names.
QString rootDirectory();
// The stand-in for a macOS program path, or the path itself when we have none.
QString programFor(const QString& macProgram);
// This process's environment with the additions, and the stand-ins first on the PATH.
QProcessEnvironment environment(const QMap<QString, QString>& additions = {});
// A shell script written for macOS, with every absolute tool path that has a stand-in in the
// directory ("/sbin/pfctl", "/usr/sbin/networksetup"…) calling the stand-in instead, by the
// stand-in's own path with every link resolved.
struct AdaptedScript {
    QString text;
    // The stand-ins it calls.
    QStringList standIns;
};
AdaptedScript adaptScript(const QString& script, const QString& standInDirectory);
} // namespace StandIns

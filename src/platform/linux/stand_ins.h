#pragma once

#include <QString>

// The macOS tools the engine calls (networksetup, sudo, nettop, pfctl…) are carried out on Linux
// by small stand-ins of our own, kept in the resources' "bin" directory under the tool's name.
namespace StandIns {
QString directory();
// The stand-in for a macOS program path, or the path itself when we have none.
QString programFor(const QString& macProgram);
} // namespace StandIns

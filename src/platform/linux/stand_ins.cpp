#include "stand_ins.h"

#include "../paths.h"

#include <QFileInfo>

namespace StandIns {

QString directory()
{
    return Paths::resourcesDir() + QStringLiteral("/bin");
}

QString programFor(const QString& macProgram)
{
    const QFileInfo standIn(directory() + QLatin1Char('/') + QFileInfo(macProgram).fileName());
    return standIn.isExecutable() ? standIn.absoluteFilePath() : macProgram;
}

} // namespace StandIns

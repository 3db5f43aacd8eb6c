#include "stand_ins.h"

#include "../paths.h"
#include "../shell_quote.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace StandIns {

namespace {

// The file itself, links resolved: a script names the very file that was checked, never a link
// that could be pointed elsewhere after the check.
QString programIn(const QString& standInDirectory, const QString& macProgram)
{
    const QFileInfo standIn(standInDirectory + QLatin1Char('/') + QFileInfo(macProgram).fileName());
    return standIn.isExecutable() ? standIn.canonicalFilePath() : macProgram;
}

} // namespace

QString directory() { return Paths::resourcesDir() + QStringLiteral("/bin"); }

QString rootDirectory() { return Paths::bundledResourcesDir() + QStringLiteral("/bin"); }

QString programFor(const QString& macProgram) { return programIn(directory(), macProgram); }

QProcessEnvironment environment(const QMap<QString, QString>& additions)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    for (auto it = additions.cbegin(); it != additions.cend(); ++it)
        environment.insert(it.key(), it.value());
    environment.insert(QStringLiteral("PATH"),
                       directory() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    return environment;
}

AdaptedScript adaptScript(const QString& script, const QString& standInDirectory)
{
    // A whole path in a system tool directory, not part of a longer path or word.
    static const QRegularExpression toolPath(QStringLiteral(R"((?<![\w./-])/(?:usr/)?s?bin/[\w.-]+(?![\w./-]))"));
    AdaptedScript adapted;
    qsizetype copied = 0;
    for (auto it = toolPath.globalMatch(script); it.hasNext();) {
        const auto match = it.next();
        const auto standIn = programIn(standInDirectory, match.captured());
        if (standIn == match.captured())
            continue;
        adapted.text += QStringView(script).mid(copied, match.capturedStart() - copied);
        adapted.text += shellQuoted(standIn);
        if (!adapted.standIns.contains(standIn))
            adapted.standIns.append(standIn);
        copied = match.capturedEnd();
    }
    adapted.text += QStringView(script).mid(copied);
    return adapted;
}

} // namespace StandIns

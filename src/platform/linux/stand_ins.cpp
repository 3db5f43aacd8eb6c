#include "stand_ins.h"

#include "../paths.h"
#include "../shell_quote.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace StandIns {

QString directory() { return Paths::resourcesDir() + QStringLiteral("/bin"); }

QString programFor(const QString& macProgram)
{
    const QFileInfo standIn(directory() + QLatin1Char('/') + QFileInfo(macProgram).fileName());
    return standIn.isExecutable() ? standIn.absoluteFilePath() : macProgram;
}

QProcessEnvironment environment(const QMap<QString, QString>& additions)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    for (auto it = additions.cbegin(); it != additions.cend(); ++it)
        environment.insert(it.key(), it.value());
    environment.insert(QStringLiteral("PATH"),
                       directory() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    return environment;
}

QString adaptScript(const QString& script)
{
    // A whole path in a system tool directory, not part of a longer path or word.
    static const QRegularExpression toolPath(QStringLiteral(R"((?<![\w./-])/(?:usr/)?s?bin/[\w.-]+(?![\w./-]))"));
    QString adapted;
    qsizetype copied = 0;
    for (auto it = toolPath.globalMatch(script); it.hasNext();) {
        const auto match = it.next();
        const auto standIn = programFor(match.captured());
        if (standIn == match.captured())
            continue;
        adapted += QStringView(script).mid(copied, match.capturedStart() - copied);
        adapted += shellQuoted(standIn);
        copied = match.capturedEnd();
    }
    adapted += QStringView(script).mid(copied);
    return adapted;
}

} // namespace StandIns

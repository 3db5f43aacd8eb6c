#include "desktop_apps.h"

#include "ui/common/icons.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPalette>

#include <algorithm>

namespace DesktopApps {

namespace {

// The words of an Exec value, with double quotes and their backslash escapes undone.
QStringList execWords(const QString& exec)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size()) {
                word += exec.at(++i);
            } else if (c == u'"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(std::exchange(word, QString()));
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

bool isAssignment(const QString& word)
{
    const auto equals = word.indexOf(u'=');
    return equals > 0 && !word.left(equals).contains(u'/');
}

bool isEnv(const QString& word) { return QFileInfo(word).fileName() == QLatin1String("env"); }

// The words after an "env" prefix: its variable assignments and the options that only change the
// environment or the folder go. An option that changes how the rest is read ("-S") stops there,
// so that env itself is the program.
QStringList afterEnv(QStringList words)
{
    static const QStringList alone{
        QStringLiteral("-i"),     QStringLiteral("-"),      QStringLiteral("--ignore-environment"),
        QStringLiteral("-0"),     QStringLiteral("--null"), QStringLiteral("-v"),
        QStringLiteral("--debug")};
    static const QStringList withValue{QStringLiteral("-u"), QStringLiteral("--unset"), QStringLiteral("-C"),
                                       QStringLiteral("--chdir")};
    qsizetype at = 1;
    while (at < words.size()) {
        const auto& word = words.at(at);
        if (word == QLatin1String("--")) {
            ++at;
            break;
        }
        if (withValue.contains(word))
            at += 2;
        else if (alone.contains(word) || isAssignment(word) || word.startsWith(QLatin1String("--unset="))
                 || word.startsWith(QLatin1String("--chdir=")))
            ++at;
        else if (word.startsWith(u'-'))
            return words;
        else
            break;
    }
    return words.mid(at);
}

// The "[Desktop Entry]" group's keys; localized keys ("Name[de]") are skipped.
QHash<QString, QString> mainGroup(const QString& text)
{
    QHash<QString, QString> values;
    bool inGroup = false;
    for (const auto& rawLine : text.split(u'\n')) {
        const auto line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const auto equals = line.indexOf(u'=');
        if (!inGroup || equals <= 0)
            continue;
        const auto key = line.left(equals).trimmed();
        if (!key.contains(u'[') && !values.contains(key))
            values.insert(key, line.mid(equals + 1).trimmed());
    }
    return values;
}

} // namespace

QStringList standardDirectories()
{
    return {QDir::homePath() + QStringLiteral("/.local/share/applications"), QStringLiteral("/usr/share/applications")};
}

QString executableOfExec(const QString& exec, const FindExecutable& findExecutable)
{
    auto words = execWords(exec);
    if (!words.isEmpty() && isEnv(words.first()))
        words = afterEnv(words);
    if (words.isEmpty() || words.first().startsWith(u'%'))
        return {};
    const auto program = words.first();
    const auto path = QDir::isAbsolutePath(program) ? program : findExecutable(program);
    if (path.isEmpty())
        return {};
    const auto canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

std::optional<DesktopApp> parseEntry(const QString& text, const FindExecutable& findExecutable)
{
    const auto values = mainGroup(text);
    const auto isTrue = [&](const char* key) { return values.value(QLatin1String(key)) == QLatin1String("true"); };
    if (values.value(QStringLiteral("Type")) != QLatin1String("Application") || isTrue("Hidden") || isTrue("NoDisplay"))
        return std::nullopt;
    const auto name = values.value(QStringLiteral("Name"));
    const auto executable = executableOfExec(values.value(QStringLiteral("Exec")), findExecutable);
    if (name.isEmpty() || executable.isEmpty())
        return std::nullopt;
    return DesktopApp{name, values.value(QStringLiteral("Icon")), executable, ExemptedProgram::refusalOf(executable)};
}

QList<DesktopApp> scan(const QStringList& directories, const FindExecutable& findExecutable)
{
    QHash<QString, bool> seenIds;
    QList<DesktopApp> apps;
    for (const auto& directory : directories) {
        QDirIterator it(directory, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const auto path = it.next();
            // The entry's id is its path below the directory; the first directory to have it wins.
            const auto id = QDir(directory).relativeFilePath(path);
            if (seenIds.contains(id))
                continue;
            seenIds.insert(id, true);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            if (auto app = parseEntry(QString::fromUtf8(file.readAll()), findExecutable))
                apps.append(*app);
        }
    }
    std::stable_sort(apps.begin(), apps.end(), [](const DesktopApp& a, const DesktopApp& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return apps;
}

QIcon iconFor(const QString& icon, int size)
{
    if (QDir::isAbsolutePath(icon) && QFileInfo::exists(icon))
        return QIcon(icon);
    if (!icon.isEmpty() && QIcon::hasThemeIcon(icon))
        return QIcon::fromTheme(icon);
    return Icons::icon(QStringLiteral("app.dashed"), QApplication::palette().color(QPalette::PlaceholderText), size);
}

std::optional<DesktopApp> findByExecutable(const QList<DesktopApp>& apps, const QString& executable)
{
    const auto found
        = std::find_if(apps.cbegin(), apps.cend(), [&](const DesktopApp& app) { return app.executable == executable; });
    if (found == apps.cend())
        return std::nullopt;
    return *found;
}

} // namespace DesktopApps

#include "settings_store.h"

#include "paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QtDebug>

#include <cmath>

SettingsStore::SettingsStore(QString filePath, QObject* parent)
    : QObject(parent)
    , m_filePath(std::move(filePath))
{
    reload();
}

QString SettingsStore::defaultFilePath() { return Paths::configDir() + QStringLiteral("/settings.json"); }

void SettingsStore::reload()
{
    m_values = {};
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(file.readAll(), &error);
    file.close();
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        setAsideUnreadableFile(error.error != QJsonParseError::NoError ? error.errorString()
                                                                       : QStringLiteral("not a JSON object"));
        return;
    }
    m_values = doc.object();
}

void SettingsStore::setAsideUnreadableFile(const QString& problem)
{
    // Moved, not copied: the next save would overwrite what the user may still want to mend,
    // and the next start finds no bad file to report again.
    const auto stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = m_filePath + QStringLiteral(".bad-") + stamp;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = m_filePath + QStringLiteral(".bad-") + stamp + QLatin1Char('-') + QString::number(n);
    const QString what = QStringLiteral("[Settings] unreadable settings file (") + problem
        + QStringLiteral("), starting with defaults");
    if (!QFile::rename(m_filePath, kept)) {
        qWarning().noquote() << what + QStringLiteral(":") << m_filePath;
        return;
    }
    qWarning().noquote() << what + QStringLiteral("; kept it as") << kept;
}

bool SettingsStore::contains(const QString& key) const { return m_values.contains(key); }

QJsonValue SettingsStore::value(const QString& key) const { return m_values.value(key); }

void SettingsStore::setValue(const QString& key, const QJsonValue& value)
{
    if (value.isUndefined()) {
        remove(key);
        return;
    }
    m_values.insert(key, value);
    save();
    emit valueChanged(key);
}

void SettingsStore::remove(const QString& key)
{
    if (!m_values.contains(key))
        return;
    m_values.remove(key);
    save();
    emit valueChanged(key);
}

std::optional<bool> SettingsStore::boolValue(const QString& key) const
{
    const auto v = value(key);
    if (!v.isBool())
        return std::nullopt;
    return v.toBool();
}

std::optional<qint64> SettingsStore::intValue(const QString& key) const
{
    const auto v = value(key);
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (std::trunc(d) != d)
        return std::nullopt;
    return v.toInteger();
}

std::optional<double> SettingsStore::doubleValue(const QString& key) const
{
    const auto v = value(key);
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

std::optional<QString> SettingsStore::stringValue(const QString& key) const
{
    const auto v = value(key);
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

void SettingsStore::save() const
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "[Settings] cannot write" << m_filePath << file.errorString();
        return;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (!file.commit())
        qWarning().noquote() << "[Settings] cannot save" << m_filePath << file.errorString();
}

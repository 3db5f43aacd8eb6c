#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>

#include <optional>

// The user-defaults store: one JSON file, written atomically on every change, so that booleans,
// numbers, texts and lists come back with their types in a later process.
class SettingsStore : public QObject {
    Q_OBJECT
public:
    explicit SettingsStore(QString filePath, QObject* parent = nullptr);

    // The application's file: "settings.json" in the configuration directory.
    static QString defaultFilePath();

    QString filePath() const { return m_filePath; }

    bool contains(const QString& key) const;
    // An absent key gives an undefined value.
    QJsonValue value(const QString& key) const;
    void setValue(const QString& key, const QJsonValue& value);
    void remove(const QString& key);

    // Typed reads. A stored value of another type counts as absent.
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<qint64> intValue(const QString& key) const;
    std::optional<double> doubleValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;

    bool boolOr(const QString& key, bool fallback) const { return boolValue(key).value_or(fallback); }
    qint64 intOr(const QString& key, qint64 fallback) const { return intValue(key).value_or(fallback); }
    QString stringOr(const QString& key, const QString& fallback) const { return stringValue(key).value_or(fallback); }

    // Drops the in-memory copy and reads the file again. A file that is not a JSON object
    // (truncated, not JSON, another JSON type) gives the defaults; it is moved aside to
    // "<file>.bad-<UTC time>" and a warning names the copy.
    void reload();

signals:
    void valueChanged(const QString& key);

private:
    void save() const;
    void setAsideUnreadableFile(const QString& problem);

    QString m_filePath;
    QJsonObject m_values;
};

#include "../login_item.h"
#include "autostart_entry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// An XDG autostart entry: the desktop starts every entry of ~/.config/autostart at login.
class XdgLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return QFile::exists(entryPath()); }

    bool setEnabled(bool enabled) override
    {
        if (!enabled)
            return !QFile::exists(entryPath()) || QFile::remove(entryPath());
        QDir().mkpath(QFileInfo(entryPath()).absolutePath());
        QSaveFile file(entryPath());
        if (!file.open(QIODevice::WriteOnly))
            return false;
        // The program as it runs now: the installed one, wherever its prefix is.
        file.write(autostartEntry(QCoreApplication::applicationFilePath()));
        return file.commit();
    }

private:
    static QString entryPath()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/autostart/velmorand.desktop");
    }
};

} // namespace

std::unique_ptr<LoginItem> LoginItem::makeNative() { return std::make_unique<XdgLoginItem>(); }

#include "settings_world.h"

#include "platform/settings_keys.h"
#include "platform/text_table.h"
#include "support/scoped_language.h"
#include "support/scoped_theme.h"
#include "support/screenshot.h"
#include "ui/account/desktop_apps.h"
#include "ui/account/split_tunnel_section.h"
#include "ui/common/button.h"
#include "ui/common/text_label.h"

#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QListWidget>

namespace {

QString findOnTestPath(const QString& program)
{
    static const QStringList found{QStringLiteral("tool"),    QStringLiteral("sh"),   QStringLiteral("bash"),
                                   QStringLiteral("python3"), QStringLiteral("java"), QStringLiteral("flatpak")};
    return found.contains(program) ? QStringLiteral("/opt/tools/bin/") + program : QString();
}

TEST(DesktopEntries, TheProgramIsTheFirstWordOfExec)
{
    struct Case {
        const char* exec;
        const char* program;
    };
    const Case cases[] = {
        {"/opt/app/run %U", "/opt/app/run"},
        {"\"/opt/my app/run\" --flag %f", "/opt/my app/run"},
        {"\"/opt/q\\\"uote/run\"", "/opt/q\"uote/run"},
        {"tool --new-window", "/opt/tools/bin/tool"},
        {"env LANG=C GDK_BACKEND=x11 /opt/app/run %u", "/opt/app/run"},
        {"/usr/bin/env A=1 tool", "/opt/tools/bin/tool"},
        {"env -u HOME -i --unset=LANG -C /tmp --chdir=/opt A=1 -- tool %U", "/opt/tools/bin/tool"},
        {"/usr/bin/env -S \"tool --x\"", "/usr/bin/env"},
        {"missing-program", ""},
        {"%U", ""},
        {"", ""},
        {"env A=1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopApps::executableOfExec(QString::fromUtf8(c.exec), findOnTestPath),
                  QString::fromUtf8(c.program))
            << c.exec;
}

// An entry that starts its program through a shell, an interpreter or a sandbox launcher runs
// under that program's name: listing it would let out everything run that way, so it is offered
// as refused. One that names its program, behind "env" or not, is not.
TEST(DesktopEntries, AnEntryThatRunsThroughALauncherIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile launcher(dir.filePath(QStringLiteral("snap")));
    ASSERT_TRUE(launcher.open(QIODevice::WriteOnly));
    launcher.close();
    ASSERT_TRUE(QFile::link(launcher.fileName(), dir.filePath(QStringLiteral("chat"))));
    struct Case {
        QString exec;
        bool refused;
    };
    const Case cases[] = {
        {QStringLiteral("sh -c \"exec /opt/app/run\""), true},
        {QStringLiteral("env A=1 bash -c x"), true},
        {QStringLiteral("python3 /usr/share/x/x.py %F"), true},
        {QStringLiteral("java -jar /opt/x/x.jar"), true},
        {QStringLiteral("flatpak run org.example.Chat"), true},
        {QStringLiteral("/usr/bin/env -S \"tool --x\""), true},
        {QLatin1Char('"') + dir.filePath(QStringLiteral("chat")) + QStringLiteral("\" %U"), true},
        {QStringLiteral("env LANG=C tool %U"), false},
        {QStringLiteral("/opt/app/run"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exec.toStdString());
        const auto app = DesktopApps::parseEntry(QStringLiteral("[Desktop Entry]\nType=Application\nName=App\nExec=")
                                                     + c.exec + QLatin1Char('\n'),
                                                 findOnTestPath);
        ASSERT_TRUE(app) << "offered, so that the user learns why it cannot be added";
        EXPECT_EQ(app->refusal, c.refused ? ExemptedProgram::Refusal::sharedLauncher : ExemptedProgram::Refusal::none);
    }
}

TEST(DesktopEntries, OnlyShownApplicationsWithAProgramAreOffered)
{
    struct Case {
        const char* name;
        const char* text;
        bool offered;
    };
    const Case cases[] = {
        {"application",
         "[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Bearbeiter\nIcon=editor\nExec=/opt/ed %F\n", true},
        {"hidden", "[Desktop Entry]\nType=Application\nName=Editor\nExec=/opt/ed\nHidden=true\n", false},
        {"not in menus", "[Desktop Entry]\nType=Application\nName=Editor\nExec=/opt/ed\nNoDisplay=true\n", false},
        {"link", "[Desktop Entry]\nType=Link\nName=Editor\nURL=https://example.com\n", false},
        {"no program", "[Desktop Entry]\nType=Application\nName=Editor\nExec=missing\n", false},
        {"no name", "[Desktop Entry]\nType=Application\nExec=/opt/ed\n", false},
        {"other group only", "[Desktop Action New]\nType=Application\nName=New\nExec=/opt/ed\n", false},
    };
    for (const auto& c : cases) {
        const auto app = DesktopApps::parseEntry(QString::fromUtf8(c.text), findOnTestPath);
        EXPECT_EQ(app.has_value(), c.offered) << c.name;
    }
    const auto app = DesktopApps::parseEntry(QString::fromUtf8(cases[0].text), findOnTestPath);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, QStringLiteral("Editor"));
    EXPECT_EQ(app->icon, QStringLiteral("editor"));
    EXPECT_EQ(app->executable, QStringLiteral("/opt/ed"));
}

TEST(DesktopEntries, TheUsersEntryHidesTheSystemsOfTheSameName)
{
    QTemporaryDir user;
    QTemporaryDir system;
    const auto write = [](const QTemporaryDir& dir, const char* file, const char* name, const char* exec) {
        QFile entry(QDir(dir.path()).filePath(QString::fromUtf8(file)));
        entry.open(QIODevice::WriteOnly);
        entry.write(QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" + exec + "\n");
    };
    write(user, "editor.desktop", "My Editor", "/opt/mine");
    write(system, "editor.desktop", "Editor", "/opt/ed");
    write(system, "browser.desktop", "browser", "/opt/browser");
    const auto apps = DesktopApps::scan({user.path(), system.path()}, findOnTestPath);
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps[0].name, QStringLiteral("browser")) << "sorted by name, whatever the case";
    EXPECT_EQ(apps[1].name, QStringLiteral("My Editor"));
}

TEST(SplitTunnelSection, AChosenApplicationIsAskedForAndAListedOneCanBeRemoved)
{
    SettingsWorld world;
    const auto editor = world.addApplication(QStringLiteral("Editor"));
    world.addApplication(QStringLiteral("Browser"));
    auto& section = *world.makeView().splitTunnelSection();
    EXPECT_TRUE(section.shownNames().isEmpty());
    EXPECT_TRUE(section.findChild<QLabel*>() != nullptr);

    section.openPicker();
    auto* picker = section.picker();
    ASSERT_TRUE(picker);
    ASSERT_EQ(picker->list()->count(), 2);
    EXPECT_EQ(picker->list()->item(0)->text(), QStringLiteral("Browser"));
    EXPECT_FALSE(picker->addButton()->isEnabled()) << "nothing chosen yet";
    picker->list()->setCurrentRow(1);
    picker->addButton()->click();
    settle();
    EXPECT_EQ(world.vpn.addedApps, QStringList{editor}) << "the program the rules look for";
    EXPECT_TRUE(section.shownNames().isEmpty()) << "the list shown is the connection's";

    // A path no entry names shows by its file name.
    world.vpn.setSplitTunnelList({editor, QStringLiteral("/opt/unlisted/tool")});
    settle();
    EXPECT_EQ(section.shownNames(), (QStringList{QStringLiteral("Editor"), QStringLiteral("tool")}));

    section.findChild<Button*>(QStringLiteral("removeSplitApp"))->click();
    settle();
    EXPECT_EQ(world.vpn.removedApps, QStringList{editor});
}

// An entry that runs through a shell, or whose program is a "#!" script, is offered but refused,
// each with its reason in the picker's words.
TEST(SplitTunnelSection, AnApplicationThatRunsThroughAShellOrIsAScriptIsRefusedWithTheReason)
{
    SettingsWorld world;
    world.addApplication(QStringLiteral("Editor"));
    world.addDesktopEntry(QStringLiteral("script.desktop"),
                          QStringLiteral("[Desktop Entry]\nType=Application\nName=Script\nExec=sh -c \"echo x\"\n"));
    QFile backup(QDir(world.applications.path()).filePath(QStringLiteral("backup-helper")));
    ASSERT_TRUE(backup.open(QIODevice::WriteOnly));
    backup.write("#!/usr/bin/python3\nimport sys\n");
    backup.close();
    world.addDesktopEntry(QStringLiteral("backup.desktop"),
                          QStringLiteral("[Desktop Entry]\nType=Application\nName=Backup\nExec=\"%1\"\n")
                              .arg(backup.fileName()));
    auto& section = *world.makeView().splitTunnelSection();
    section.openPicker();
    auto* picker = section.picker();
    ASSERT_TRUE(picker);
    ASSERT_EQ(picker->list()->count(), 3);
    EXPECT_TRUE(picker->refusalShown().isEmpty());

    const struct {
        int row;
        QString name;
        QString refusal;
    } cases[] = {
        {0, QStringLiteral("Backup"), i18n::tr(QStringLiteral("此应用是脚本,经由其解释器运行,无法单独绕过 VPN"))},
        {2, QStringLiteral("Script"),
         i18n::tr(QStringLiteral("此应用经由 Shell、解释器或沙盒启动器运行,无法单独绕过 VPN"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        ASSERT_EQ(picker->list()->item(c.row)->text(), c.name);
        picker->list()->setCurrentRow(c.row);
        EXPECT_FALSE(picker->addButton()->isEnabled());
        EXPECT_EQ(picker->refusalShown(), c.refusal);
        saveScreenshot(*picker, QStringLiteral("app_picker_refused-") + c.name.toLower());
        emit picker->list()->itemDoubleClicked(picker->list()->item(c.row));
        settle();
        EXPECT_TRUE(world.vpn.addedApps.isEmpty());
    }

    picker->list()->setCurrentRow(1);
    EXPECT_TRUE(picker->addButton()->isEnabled());
    EXPECT_TRUE(picker->refusalShown().isEmpty());
}

// An entry refused as its file stands now (a script, a program replaced by a link to a shell)
// stays listed as the user left it; its row says that it is not let out, and why.
TEST(SplitTunnelSection, ARefusedEntryStaysListedAndItsRowSaysWhyItIsNotLetOut)
{
    for (const auto language : allAppLanguages) {
        SCOPED_TRACE(rawValue(language).toStdString());
        ScopedLanguage lookups(language);
        ScopedTheme look;
        look.theme().setLanguage(rawValue(language));
        look.theme().apply();
        SettingsWorld world;
        world.formConnection = world.engine.get();
        const auto editor = world.addApplication(QStringLiteral("Editor"));
        const QDir programs(world.applications.path());
        QFile script(programs.filePath(QStringLiteral("backup-helper.sh")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec rsync \"$@\"\n");
        script.close();
        const auto replaced = programs.filePath(QStringLiteral("chat"));
        ASSERT_TRUE(QFile::link(QStringLiteral("/bin/bash"), replaced));
        const QStringList listed{editor, script.fileName(), replaced};
        world.settings.setValue(SettingsKeys::splitTunnelApps, QJsonArray::fromStringList(listed));
        world.engine->loadSplitTunnelApps();

        auto& view = world.makeView();
        auto& section = *view.splitTunnelSection();
        EXPECT_EQ(section.shownNames(),
                  (QStringList{QStringLiteral("Editor"), QStringLiteral("backup-helper.sh"), QStringLiteral("chat")}));
        QStringList refusals;
        for (const auto* label : section.findChildren<TextLabel*>(QStringLiteral("splitAppRefusal"))) {
            EXPECT_TRUE(label->isOneLine());
            refusals.append(label->text());
        }
        const auto line = [](ExemptedProgram::Refusal refusal) -> QString {
            return i18n::tr(QStringLiteral("未绕过 VPN：")) + i18n::tr(ExemptedProgram::reasonText(refusal));
        };
        EXPECT_EQ(refusals, (QStringList{line(ExemptedProgram::Refusal::script),
                                         line(ExemptedProgram::Refusal::sharedLauncher)}));
        EXPECT_EQ(world.engine->splitTunnelApps(), listed);
        EXPECT_EQ(world.settings.value(SettingsKeys::splitTunnelApps).toArray(), QJsonArray::fromStringList(listed))
            << "kept as stored";
        EXPECT_LE(section.width(), view.width()) << "a long reason is cut, never widening the screen";
        saveScreenshot(section, QStringLiteral("split_tunnel_refused-") + rawValue(language));
    }
}

TEST(SplitTunnelSection, ACancelledPickerChangesNothing)
{
    SettingsWorld world;
    world.addApplication(QStringLiteral("Editor"));
    auto& section = *world.makeView().splitTunnelSection();
    section.openPicker();
    section.picker()->list()->setCurrentRow(0);
    section.picker()->reject();
    settle();
    EXPECT_TRUE(world.vpn.addedApps.isEmpty());
}

} // namespace

#include "platform/exempted_program.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using ExemptedProgram::Refusal;

// One listed path lets out every process that runs at or below it: it may name an application,
// never the system's program folders however written, nor a program that runs others as itself.
TEST(ExemptedProgram, ANamedApplicationMayBeListedAndNothingThatHoldsMore)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto at = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr"), at("usr link")));
    ASSERT_TRUE(QDir().mkpath(at("Split Test.app/Contents")));
    const struct {
        const char* name;
        QByteArray content;
    } files[] = {
        {"python3.11", {}},
        {"tool", "\x7f" "ELF"},
        {"ld-linux-x86-64.so.2", {}},
        {"launch", "#!/bin/sh\nexec /opt/app/run\n"},
        {"commented", "# not a script line\n"},
        {"single", "#"},
    };
    for (const auto& f : files) {
        QFile file(at(f.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(f.content);
    }
    ASSERT_TRUE(QFile::link(at("python3.11"), at("runs python")));
    ASSERT_TRUE(QFile::link(at("ld-linux-x86-64.so.2"), at("runs the loader")));
    ASSERT_TRUE(QFile::link(at("launch"), at("runs a script")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/home"), at("home link")));
    // A pipe is never opened to be read: the look would wait for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600), 0);
    const auto systemSubfolders = QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_FALSE(systemSubfolders.isEmpty());

    struct Case {
        QString path;
        Refusal refusal;
    };
    const Case cases[] = {
        {QStringLiteral("/"), Refusal::systemFolder},
        {QStringLiteral("//"), Refusal::systemFolder},
        {QStringLiteral("/usr"), Refusal::systemFolder},
        {QStringLiteral("/usr/"), Refusal::systemFolder},
        {QStringLiteral("//usr//bin/"), Refusal::systemFolder},
        {QStringLiteral("/usr/bin/."), Refusal::systemFolder},
        {QStringLiteral("/usr/lib/../bin"), Refusal::systemFolder},
        {QStringLiteral("/bin"), Refusal::systemFolder},
        {QStringLiteral("/sbin/"), Refusal::systemFolder},
        {QStringLiteral("/usr/local"), Refusal::systemFolder},
        {QStringLiteral("/opt"), Refusal::systemFolder},
        {QStringLiteral("/opt/"), Refusal::systemFolder},
        {QStringLiteral("/var"), Refusal::systemFolder},
        {QStringLiteral("/var/lib/flatpak"), Refusal::systemFolder},
        {QStringLiteral("/snap/bin"), Refusal::systemFolder},
        {QStringLiteral("/usr/lib/") + systemSubfolders.first(), Refusal::systemFolder},
        {at("usr link"), Refusal::systemFolder},
        {at("usr link") + QStringLiteral("/bin/"), Refusal::systemFolder},
        {QStringLiteral("usr/bin"), Refusal::notAbsolute},
        {QString(), Refusal::notAbsolute},
        {QStringLiteral("/home"), Refusal::usersFolder},
        {QStringLiteral("/home/"), Refusal::usersFolder},
        {QStringLiteral("//tmp/."), Refusal::usersFolder},
        {QStringLiteral("/root"), Refusal::usersFolder},
        {QStringLiteral("/media"), Refusal::usersFolder},
        {QStringLiteral("/mnt"), Refusal::usersFolder},
        {QStringLiteral("/run/media"), Refusal::usersFolder},
        {QStringLiteral("/run"), Refusal::usersFolder},
        {QStringLiteral("/var/tmp"), Refusal::usersFolder},
        {at("home link"), Refusal::usersFolder},
        {QStringLiteral("/bin/sh"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/env"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/flatpak"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/snap"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/lib/jvm/java-17/bin/java"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/perl5.36-x86_64-linux-gnu"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/python3.11"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/python3.12-dbg"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/ruby3.1"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/php8.2"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/lua5.4"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/node"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/awk"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/mawk"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/gawk"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/nawk"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/gdb"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/gdb-multiarch"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/lldb-15"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/busybox"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/toybox"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/qemu-x86_64"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/ld.so"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/ld-2.36.so"), Refusal::sharedLauncher},
        {QStringLiteral("/opt/tools/ld-musl-x86_64.so.1"), Refusal::sharedLauncher},
        {QStringLiteral("/lib64/ld-linux-x86-64.so.2"), Refusal::sharedLauncher},
        {at("python3.11"), Refusal::sharedLauncher},
        {at("runs python"), Refusal::sharedLauncher},
        {at("runs the loader"), Refusal::sharedLauncher},
        {at("launch"), Refusal::script},
        {at("runs a script"), Refusal::script},
        {QStringLiteral("/usr/bin/firefox-esr"), Refusal::none},
        {QStringLiteral("/opt/Chat Tool"), Refusal::none},
        {QStringLiteral("/opt/google/chrome/chrome"), Refusal::none},
        {QStringLiteral("/opt/tools/gdbus"), Refusal::none},
        {QStringLiteral("/opt/tools/nodes"), Refusal::none},
        {QStringLiteral("/opt/tools/awkward"), Refusal::none},
        {QStringLiteral("/opt/tools/ld"), Refusal::none},
        {QStringLiteral("/opt/tools/ldconfig-helper"), Refusal::none},
        {QStringLiteral("/home/user/Applications/Editor"), Refusal::none},
        {QStringLiteral("/tmp/build/tool"), Refusal::none},
        {at("Split Test.app"), Refusal::none},
        {at("tool"), Refusal::none},
        {at("commented"), Refusal::none},
        {at("single"), Refusal::none},
        {at("pipe"), Refusal::none},
        {QStringLiteral("/home/user/.local/bin/pythonista"), Refusal::none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExemptedProgram::refusalOf(c.path), c.refusal) << c.path.toStdString();
}

// A folder at or above the home of any user the system knows holds that user's files: every
// program the user keeps there would go.
TEST(ExemptedProgram, NoFolderAtOrAboveAUsersHomeMayBeListed)
{
    QFile passwd(QStringLiteral("/etc/passwd"));
    ASSERT_TRUE(passwd.open(QIODevice::ReadOnly));
    int homes = 0;
    while (!passwd.atEnd()) {
        const auto fields = QString::fromUtf8(passwd.readLine()).split(QLatin1Char(':'));
        if (fields.size() < 7 || !QDir::isAbsolutePath(fields[5]))
            continue;
        ++homes;
        const auto home = QDir::cleanPath(fields[5]);
        for (const auto& folder : {home, QFileInfo(home).path()}) {
            SCOPED_TRACE(folder.toStdString());
            EXPECT_NE(ExemptedProgram::refusalOf(folder), Refusal::none);
            EXPECT_NE(ExemptedProgram::refusalOf(folder + QLatin1Char('/')), Refusal::none);
        }
    }
    EXPECT_GT(homes, 0);
}

} // namespace

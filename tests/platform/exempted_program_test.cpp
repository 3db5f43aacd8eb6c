#include "platform/exempted_program.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    for (const auto* name : {"python3.11", "tool"}) {
        QFile file(at(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(at("python3.11"), at("runs python")));
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
        {QStringLiteral("/bin/sh"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/env"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/flatpak"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/snap"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/lib/jvm/java-17/bin/java"), Refusal::sharedLauncher},
        {at("python3.11"), Refusal::sharedLauncher},
        {at("runs python"), Refusal::sharedLauncher},
        {QStringLiteral("/usr/bin/firefox-esr"), Refusal::none},
        {QStringLiteral("/opt/Chat Tool"), Refusal::none},
        {QStringLiteral("/opt/google/chrome/chrome"), Refusal::none},
        {at("Split Test.app"), Refusal::none},
        {at("tool"), Refusal::none},
        {QStringLiteral("/home/user/.local/bin/pythonista"), Refusal::none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExemptedProgram::refusalOf(c.path), c.refusal) << c.path.toStdString();
}

} // namespace

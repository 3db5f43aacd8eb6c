#include "platform/linux/autostart_entry.h"

#include <gtest/gtest.h>

namespace {

struct ExecCase {
    const char* program;
    const char* execLine;
};

class AutostartEntryExec : public ::testing::TestWithParam<ExecCase> {};

// The Exec key names the program as one argument, whatever characters its path holds.
TEST_P(AutostartEntryExec, NamesTheProgramAsOneQuotedArgument)
{
    const auto entry = autostartEntry(QString::fromUtf8(GetParam().program));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nIcon=velmorand\n"));
    const QByteArray execLine = QByteArray("\n") + GetParam().execLine + '\n';
    EXPECT_TRUE(entry.contains(execLine)) << entry.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AutostartEntryExec,
    ::testing::Values(ExecCase{"/usr/local/bin/velmorand", R"(Exec="/usr/local/bin/velmorand")"},
                      ExecCase{"/home/u/My Apps/bin/velmorand", R"(Exec="/home/u/My Apps/bin/velmorand")"},
                      ExecCase{"/opt/100%/bin/velmorand", R"(Exec="/opt/100%%/bin/velmorand")"},
                      ExecCase{"/opt/$HOME/bin/velmorand", R"(Exec="/opt/\\$HOME/bin/velmorand")"},
                      ExecCase{"/opt/a\"b`c/velmorand", R"(Exec="/opt/a\\"b\\`c/velmorand")"},
                      ExecCase{"/opt/back\\slash/velmorand", R"(Exec="/opt/back\\\\slash/velmorand")"},
                      ExecCase{"/opt/中文/velmorand", "Exec=\"/opt/中文/velmorand\""}));

} // namespace

// The pfctl stand-in's host names, for real (root only, in a network namespace of the test's own;
// skipped elsewhere): a name is looked up once, when the rules naming it are loaded, from a hosts
// file and a resolver the test controls; nothing afterwards waits on a resolver.
#include "connection/packet_filter_scripts.h"
#include "platform/linux/stand_ins.h"
#include "support/private_network.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kName = QStringLiteral("node.velmorand.test");
const QByteArray kNameListed = "192.0.2.10 node.velmorand.test\n2001:db8::10 node.velmorand.test\n";

class PfctlNames : public ::testing::Test {
protected:
    enum class Resolver { none, silent };

    void SetUp() override
    {
        QString why;
        if (!NetworkNamespace::available(&why))
            GTEST_SKIP() << why.toStdString();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(network.create(&why)) << why.toStdString();
        // A resolver that never answers: what is sent to it is counted and dropped on arrival, so
        // that the sender hears nothing, not even a refusal.
        write("silence.nft", "table inet silence {\n  chain in {\n    type filter hook input priority -10;\n"
                             "    meta l4proto { tcp, udp } th dport 53 counter drop\n  }\n}\n");
        ASSERT_TRUE(network.run({QStringLiteral("nft"), QStringLiteral("-f"), dir.filePath(QStringLiteral("silence.nft"))},
                                &why))
            << why.toStdString();
        resolveFrom(kNameListed, Resolver::none);
    }

    // What the stand-in's look-ups see from its next run on: the hosts file, and behind it either
    // no resolver or one that never answers (each try waits long past the stand-in's limit).
    void resolveFrom(const QByteArray& hosts, Resolver resolver)
    {
        write("hosts", hosts);
        write("nsswitch.conf", resolver == Resolver::silent ? "hosts: files dns\n" : "hosts: files\n");
        write("resolv.conf", "nameserver 127.0.0.1\noptions timeout:30 attempts:2\n");
    }

    // Runs the shell command inside ("$0" is the stand-in, "$1" the test's folder), with the names
    // above in its own view of /etc and the stand-in's state in the folder's "pf".
    bool pfctl(const QString& shellCommand, QString* why) const
    {
        const auto prelude = QStringLiteral("for file in hosts nsswitch.conf resolv.conf; do "
                                            "mount --bind \"$1/$file\" \"/etc/$file\" || exit 1; done\n");
        return network.run({QStringLiteral("/usr/bin/env"),
                            QStringLiteral("VELMORAND_PF_STATE_DIR=") + dir.filePath(QStringLiteral("pf")),
                            QStringLiteral("/bin/sh"), QStringLiteral("-c"), prelude + shellCommand,
                            StandIns::programFor(QStringLiteral("/sbin/pfctl")), dir.path()},
                           why);
    }

    // The filter on, referring to both anchors, and the kill-switch anchor loaded naming the node
    // (loopback let out, as the application does, so that the resolver can be reached).
    void loadTheNodeByName()
    {
        QString why;
        ASSERT_TRUE(pfctl(QStringLiteral("printf '%s\\n' 'anchor \"com.velmorand\"' 'anchor \"com.velmorand/split\"'"
                                         " | \"$0\" -f - && \"$0\" -e"),
                          &why))
            << why.toStdString();
        ASSERT_TRUE(pfctl(QStringLiteral("printf '%s\\n' 'pass quick on lo0 all' 'pass out quick proto tcp to "
                                         "node.velmorand.test' 'block out all' | \"$0\" -a com.velmorand -f -"),
                          &why))
            << why.toStdString();
    }

    // What the stand-in shows of the anchor's rules.
    QString shown(const QString& anchor) const
    {
        QString why;
        EXPECT_TRUE(pfctl(QStringLiteral("\"$0\" -a ") + anchor + QStringLiteral(" -s rules > \"$1/shown\""), &why))
            << why.toStdString();
        return read("shown");
    }

    // The same, in no order: the resolver orders a name's addresses as it sees fit.
    QStringList shownSorted(const QString& anchor) const
    {
        auto lines = shown(anchor).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        lines.sort();
        return lines;
    }

    // How many packets were sent to the resolver.
    QString resolverAsked() const
    {
        QString why;
        EXPECT_TRUE(pfctl(QStringLiteral("nft list chain inet silence in | grep -o 'packets [0-9]*' > \"$1/asked\""),
                          &why))
            << why.toStdString();
        return read("asked").trimmed();
    }

    void write(const char* name, const QByteArray& content) const
    {
        QFile file(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(content), content.size());
    }

    QString read(const char* name) const
    {
        QFile file(dir.filePath(QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir dir;
    NetworkNamespace network{QStringLiteral("pfnames")};
};

// A name becomes one rule per address when its rules load. Once it no longer resolves, whether
// the hosts file drops it or the resolver behind stops answering, every later step still works
// and asks no resolver: another anchor's load, the flushes of the release.
TEST_F(PfctlNames, AreLookedUpOnceWhenTheirRulesLoadAndNeverAgain)
{
    const struct {
        const char* stopsResolving;
        Resolver resolver;
    } cases[] = {{"no longer listed", Resolver::none}, {"the resolver does not answer", Resolver::silent}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stopsResolving);
        QString why;
        ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("pf"))).removeRecursively());
        resolveFrom(kNameListed, Resolver::none);
        loadTheNodeByName();
        EXPECT_EQ(shownSorted(QStringLiteral("com.velmorand")),
                  (QStringList{QStringLiteral("block out all"), QStringLiteral("pass out quick proto tcp to 192.0.2.10"),
                               QStringLiteral("pass out quick proto tcp to 2001:db8::10"),
                               QStringLiteral("pass quick on lo0 all")}));

        resolveFrom({}, c.resolver);
        EXPECT_TRUE(pfctl(QStringLiteral("echo 'pass out quick proto tcp to 192.0.2.20' | \"$0\" -a com.velmorand/split -f -"),
                          &why))
            << why.toStdString();
        EXPECT_TRUE(pfctl(QStringLiteral("\"$0\" -a com.velmorand/split -F all"), &why)) << why.toStdString();
        EXPECT_TRUE(pfctl(QStringLiteral("\"$0\" -a com.velmorand -F all"), &why)) << why.toStdString();
        EXPECT_TRUE(shown(QStringLiteral("com.velmorand")).isEmpty());
        EXPECT_EQ(resolverAsked(), QStringLiteral("packets 0"));
    }
}

// A name whose resolver does not answer fails its own load once the stand-in's limit is up, long
// before the resolver would give up (the whole run would otherwise outlast the namespace's wait),
// and holds no lock meanwhile: another pfctl runs while it waits, and the rules in force stay.
TEST_F(PfctlNames, ANameThatDoesNotAnswerFailsOnlyItsLoadAndHoldsNoLockMeanwhile)
{
    loadTheNodeByName();
    resolveFrom(kNameListed, Resolver::silent);
    QString why;
    ASSERT_TRUE(pfctl(QStringLiteral(
                          "printf '%s\\n' 'pass out quick proto tcp to other.velmorand.test' > \"$1/rules\"\n"
                          "\"$0\" -a com.velmorand/split -f \"$1/rules\" 2> \"$1/refused\" & slow=$!\n"
                          "timeout 20 sh -c 'until nft list chain inet silence in | grep -q \"packets [1-9]\"; do "
                          "sleep 0.05; done'\n"
                          "\"$0\" -s info > \"$1/info\"\n"
                          "kill -0 $slow; echo $? > \"$1/stillLooking\"\n"
                          "wait $slow; echo $? > \"$1/slowEnded\"\n"),
                      &why))
        << why.toStdString();
    EXPECT_EQ(read("info"), QStringLiteral("Status: Enabled\n"));
    EXPECT_EQ(read("stillLooking"), QStringLiteral("0\n")) << "the other pfctl ran while the name was looked up";
    EXPECT_EQ(read("slowEnded"), QStringLiteral("1\n"));
    EXPECT_EQ(read("refused"), QStringLiteral("no IP address found for other.velmorand.test\n"));
    EXPECT_TRUE(shown(QStringLiteral("com.velmorand/split")).isEmpty());
    EXPECT_TRUE(shownSorted(QStringLiteral("com.velmorand")).contains(QStringLiteral("pass out quick proto tcp to 192.0.2.10")));
}

// A state kept by an earlier version may still hold a name: it stands for nothing, is never looked
// up, and the application's release goes through.
TEST_F(PfctlNames, ANameKeptByAnEarlierVersionIsNeverLookedUp)
{
    resolveFrom({}, Resolver::silent);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("pf"))));
    write("pf/state.json", R"({"enabled": true, "rulesets": {"": ["anchor \"com.velmorand\"", "anchor \"com.velmorand/split\""],
        "com.velmorand": ["pass out quick proto tcp to node.velmorand.test", "block out all"],
        "com.velmorand/split": ["pass out quick proto tcp to node.velmorand.test"]}})");
    QString why;
    // The application's release, the stand-in in place of /sbin/pfctl.
    const auto release
        = PacketFilterScripts::splitAndKillSwitchStop().replace(QStringLiteral("/sbin/pfctl"), QStringLiteral("\"$0\""));
    EXPECT_TRUE(pfctl(release, &why)) << why.toStdString();
    EXPECT_TRUE(shown(QStringLiteral("com.velmorand")).isEmpty());
    EXPECT_EQ(resolverAsked(), QStringLiteral("packets 0"));
}

} // namespace

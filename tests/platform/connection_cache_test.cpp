#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    int exitCode = -1;
    QByteArray output;
};

ProbeRun runProbe(const QStringList& arguments)
{
    QProcess probe;
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral(NETWORK_QUIT_PROBE), arguments);
    if (!probe.waitForFinished(20000)) {
        probe.kill();
        probe.waitForFinished(5000);
        return {};
    }
    return {probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -1, probe.readAll()};
}

const QByteArray kWarning = "invalid nullptr parameter";

// A kept-alive TLS connection of a manager that outlives the application used to be closed after
// the application was gone, with Qt's warning at every quit.
TEST(ConnectionCache, QuittingClosesKeptAliveConnectionsWhileTheApplicationExists)
{
    const auto withoutClosing = runProbe({QStringLiteral("--keep-connections")});
    ASSERT_EQ(withoutClosing.exitCode, 0) << withoutClosing.output.toStdString();
    ASSERT_TRUE(withoutClosing.output.contains("answer: ok")) << withoutClosing.output.toStdString();
    ASSERT_TRUE(withoutClosing.output.contains(kWarning)) << "the probe no longer shows the fault:\n"
                                                          << withoutClosing.output.toStdString();

    const auto closing = runProbe({});
    EXPECT_EQ(closing.exitCode, 0);
    EXPECT_TRUE(closing.output.contains("answer: ok")) << closing.output.toStdString();
    EXPECT_FALSE(closing.output.contains(kWarning)) << closing.output.toStdString();
}

} // namespace

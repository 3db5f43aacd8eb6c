// This build installed with `cmake --install` into a throwaway prefix (one with a space in its
// name, unlike the configured one), as a user installs it, and the installed program started
// from there: it has to find its resources relative to where it was installed.
#include "support/program_sandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

constexpr int kInstallMs = 60000;
constexpr int kStartUpMs = 15000;
constexpr int kQuitMs = 10000;

QString joined(const QString& prefix, const char* dir, const QString& name = {})
{
    return QDir::cleanPath(prefix + u'/' + QString::fromUtf8(dir) + (name.isEmpty() ? QString() : u'/' + name));
}

// The key's value in the main group of a desktop entry, or a null string.
QString desktopValue(const QByteArray& entry, const QString& key)
{
    for (const auto& line : QString::fromUtf8(entry).split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

class InstalledProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_root = std::make_unique<QTemporaryDir>();
        s_prefix = s_root->filePath(QStringLiteral("installed prefix"));
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(VELMORAND_CMAKE),
            {QStringLiteral("--install"), QStringLiteral(VELMORAND_BUILD_DIR), QStringLiteral("--prefix"), s_prefix});
        const bool ended = install.waitForFinished(kInstallMs);
        if (!ended || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0)
            s_installError = QString::fromUtf8(install.readAll()) + install.errorString();
    }

    static void TearDownTestSuite() { s_root.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_root->isValid());
        ASSERT_TRUE(s_installError.isEmpty()) << s_installError.toStdString();
        ASSERT_TRUE(m_sandbox.isValid());
    }

    static QString program() { return joined(s_prefix, VELMORAND_INSTALL_BINDIR, QStringLiteral("velmorand")); }
    static QString resources() { return joined(s_prefix, VELMORAND_INSTALL_RESOURCES_DIR); }
    static QString desktopEntryPath()
    {
        return joined(s_prefix, VELMORAND_INSTALL_DATADIR, QStringLiteral("applications/" VELMORAND_APP_ID ".desktop"));
    }

    // Asks the program to quit as the desktop does at log-out; it must end by itself, cleanly.
    void expectQuitsCleanly(QProcess* process)
    {
        ASSERT_EQ(::kill(static_cast<pid_t>(process->processId()), SIGTERM), 0);
        ASSERT_TRUE(process->waitForFinished(kQuitMs)) << m_sandbox.output(process).toStdString();
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0) << m_sandbox.output(process).toStdString();
    }

    static inline std::unique_ptr<QTemporaryDir> s_root;
    static inline QString s_prefix;
    static inline QString s_installError;
    ProgramSandbox m_sandbox;
};

TEST_F(InstalledProgram, PutsTheProgramItsResourcesAndStandInsInThePrefix)
{
    const struct {
        QString path;
        bool executable;
    } expected[] = {
        {program(), true},
        {resources() + QStringLiteral("/xray"), true},
        {resources() + QStringLiteral("/geoip.dat"), false},
        {resources() + QStringLiteral("/geosite.dat"), false},
        {resources() + QStringLiteral("/bin/sudo"), true},
        {resources() + QStringLiteral("/bin/networksetup"), true},
        {resources() + QStringLiteral("/bin/pfctl"), true},
        {resources() + QStringLiteral("/bin/nettop"), true},
        {desktopEntryPath(), false},
        {joined(s_prefix, VELMORAND_INSTALL_DATADIR,
                QStringLiteral("icons/hicolor/scalable/apps/" VELMORAND_APP_ID ".svg")),
         false},
    };
    for (const auto& file : expected) {
        const QFileInfo info(file.path);
        EXPECT_TRUE(info.isFile()) << file.path.toStdString();
        EXPECT_EQ(info.isExecutable(), file.executable) << file.path.toStdString();
        EXPECT_GT(info.size(), 0) << file.path.toStdString();
    }
}

TEST_F(InstalledProgram, DesktopEntryStartsTheInstalledProgramWithItsIcon)
{
    const auto entry = ProgramSandbox::readFile(desktopEntryPath());
    EXPECT_EQ(desktopValue(entry, QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(desktopValue(entry, QStringLiteral("Name")), QStringLiteral("Velmorand"));
    // The prefix's space stays inside one quoted argument.
    EXPECT_EQ(desktopValue(entry, QStringLiteral("Exec")), u'"' + program() + u'"');
    EXPECT_EQ(desktopValue(entry, QStringLiteral("TryExec")), program());
    EXPECT_TRUE(desktopValue(entry, QStringLiteral("Categories")).split(u';').contains(QStringLiteral("Network")));
    // The class of the program's windows, so the launcher and the task bar show them as this entry.
    EXPECT_EQ(desktopValue(entry, QStringLiteral("StartupWMClass")), QStringLiteral("Velmorand"));
    const auto icon = desktopValue(entry, QStringLiteral("Icon"));
    EXPECT_EQ(icon, QStringLiteral(VELMORAND_APP_ID));
    EXPECT_TRUE(
        QFileInfo::exists(joined(s_prefix, VELMORAND_INSTALL_DATADIR,
                                 QStringLiteral("icons/hicolor/scalable/apps/") + icon + QStringLiteral(".svg"))));
}

TEST_F(InstalledProgram, DesktopEntryPassesTheDesktopsValidator)
{
    const auto validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is missing: scripts/install-deps.sh installs it";
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {desktopEntryPath()});
    ASSERT_TRUE(validate.waitForFinished(kQuitMs));
    const auto report = validate.readAll();
    EXPECT_EQ(validate.exitCode(), 0) << report.toStdString();
    // Hints are not failures to the validator; this entry has none either.
    EXPECT_TRUE(report.trimmed().isEmpty()) << report.toStdString();
}

// Its start-up clean-up switches the leftover system proxy off through the installed networksetup
// stand-in, and nothing says a resource is missing.
TEST_F(InstalledProgram, StartsFromThePrefixWithItsResourcesAndQuitsCleanly)
{
    ASSERT_TRUE(m_sandbox.plantLeftoverProxy());
    auto* process = m_sandbox.launch(program());
    ASSERT_TRUE(process->waitForStarted(5000)) << process->errorString().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_sandbox.socksProxyState().startsWith("No|"); }, kStartUpMs))
        << m_sandbox.output(process).toStdString();
    EXPECT_EQ(process->state(), QProcess::Running);
    ASSERT_NO_FATAL_FAILURE(expectQuitsCleanly(process));
    EXPECT_FALSE(m_sandbox.output(process).contains("[Paths]")) << m_sandbox.output(process).toStdString();
}

// A copy of the program without the resources beside it says where it looked: the place next to
// the copy that the install rules use, not the build tree nor the configured prefix.
TEST_F(InstalledProgram, ProgramWithoutItsResourcesSaysWhereItLookedForThem)
{
    const QString elsewhere = m_sandbox.path("elsewhere");
    const QString copy = joined(elsewhere, VELMORAND_INSTALL_BINDIR, QStringLiteral("velmorand"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).path()));
    ASSERT_TRUE(QFile::copy(program(), copy));
    auto* process = m_sandbox.launch(copy);
    ASSERT_TRUE(process->waitForStarted(5000)) << process->errorString().toStdString();
    const QByteArray warning = "[Paths] No resources in " + joined(elsewhere, VELMORAND_INSTALL_RESOURCES_DIR).toUtf8();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_sandbox.output(process).contains(warning); }, kStartUpMs))
        << m_sandbox.output(process).toStdString();
    EXPECT_NO_FATAL_FAILURE(expectQuitsCleanly(process));
}

} // namespace

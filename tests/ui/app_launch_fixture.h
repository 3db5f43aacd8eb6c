#pragma once

// The built program launched as a user would: real processes of the executable with throwaway
// home, runtime, settings and stand-in state directories.
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

constexpr int kStartUpMs = 15000;
// A launch that hands over is quick; a full second instance would never end on its own.
constexpr int kHandOverMs = 5000;

class AppLaunches : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* sub : {"home", "run", "config", "state/networksetup", "pf"})
            ASSERT_TRUE(QDir().mkpath(path(sub)));
        QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The one network service the networksetup stand-in knows.
        QFile services(path("state") + QStringLiteral("/networksetup/services"));
        ASSERT_TRUE(services.open(QIODevice::WriteOnly));
        services.write("Ethernet\n");
        QFile settings(path("config") + QStringLiteral("/settings.json"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(R"({"lastConnectedNodeId": 7})");
    }

    void TearDown() override
    {
        for (auto* process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
            delete process;
        }
    }

    QString path(const char* sub) const { return m_dir.filePath(QString::fromLatin1(sub)); }

    QProcess* launch()
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), path("home"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home") + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("VELMORAND_CONFIG_DIR"), path("config"));
        environment.insert(QStringLiteral("VELMORAND_STATE_DIR"), path("state"));
        environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        // By default every request of the program fails at once on this machine.
        environment.insert(QStringLiteral("VELMORAND_API_POOL"), m_apiPool);
        environment.insert(QStringLiteral("VELMORAND_PF_STATE_DIR"), path("pf"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        auto* process = new QProcess;
        m_processes.append(process);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(VELMORAND_EXECUTABLE), {});
        return process;
    }

    // Everything the process printed so far.
    QByteArray output(QProcess* process)
    {
        m_output[process] += process->readAll();
        return m_output[process];
    }

    // Plants a SOCKS proxy on our local port, as a run of the program leaves it.
    void plantLeftoverProxy()
    {
        QFile file(path("state") + QStringLiteral("/networksetup/Ethernet.socksfirewall"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Yes|127.0.0.1|1080\n");
    }

    QByteArray readFile(const QString& name) const
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray socksProxyState() const { return readFile(path("state") + QStringLiteral("/networksetup/Ethernet.socksfirewall")); }
    QByteArray settingsFile() const { return readFile(path("config") + QStringLiteral("/settings.json")); }

    // The first instance has run its start-up clean-up: the planted proxy is off.
    void startFirstInstance(QProcess*& first)
    {
        plantLeftoverProxy();
        first = launch();
        ASSERT_TRUE(first->waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return socksProxyState().startsWith("No|"); }, kStartUpMs))
            << output(first).toStdString();
    }

    QTemporaryDir m_dir;
    QString m_apiPool = QStringLiteral("https://127.0.0.1:9");
    QList<QProcess*> m_processes;
    QHash<QProcess*, QByteArray> m_output;
};


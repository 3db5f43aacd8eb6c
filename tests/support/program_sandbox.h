#pragma once

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// Runs of the program as a user starts it: separate processes with throwaway home, runtime,
// settings and stand-in state directories, the offscreen platform, and a service address that
// fails every request at once. The stand-ins' network knows one service, "Ethernet". Processes
// still running at the end are killed, each by its own handle.
class ProgramSandbox {
public:
    ProgramSandbox()
    {
        for (const char* sub : {"home", "run", "config", "state/networksetup"})
            m_valid = m_valid && QDir().mkpath(path(sub));
        QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_valid = m_valid && writeFile(path("state") + QStringLiteral("/networksetup/services"), "Ethernet\n");
    }

    ~ProgramSandbox()
    {
        for (auto* process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
            delete process;
        }
    }

    ProgramSandbox(const ProgramSandbox&) = delete;
    ProgramSandbox& operator=(const ProgramSandbox&) = delete;

    bool isValid() const { return m_valid; }
    QString path(const char* sub) const { return m_dir.filePath(QString::fromLatin1(sub)); }

    // The program finds its resources by itself: the tests' own resources variable is dropped.
    // `overrides` replace variables of the environment (a service address that answers).
    QProcess* launch(const QString& program, const QHash<QString, QString>& overrides = {})
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("VELMORAND_RESOURCES_DIR"));
        environment.insert(QStringLiteral("HOME"), path("home"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home") + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("VELMORAND_CONFIG_DIR"), path("config"));
        environment.insert(QStringLiteral("VELMORAND_STATE_DIR"), path("state"));
        environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        environment.insert(QStringLiteral("VELMORAND_API_POOL"), QStringLiteral("https://127.0.0.1:9"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (auto it = overrides.begin(); it != overrides.end(); ++it)
            environment.insert(it.key(), it.value());
        auto* process = new QProcess;
        m_processes.append(process);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(program, {});
        return process;
    }

    // Everything the process printed so far.
    QByteArray output(QProcess* process)
    {
        m_output[process] += process->readAll();
        return m_output[process];
    }

    // A SOCKS proxy on our local port, as a run of the program leaves it; the start-up clean-up
    // switches it off through the networksetup stand-in.
    bool plantLeftoverProxy() const { return writeFile(socksProxyFile(), "Yes|127.0.0.1|1080\n"); }
    QByteArray socksProxyState() const { return readFile(socksProxyFile()); }

    static bool writeFile(const QString& name, const QByteArray& content)
    {
        QFile file(name);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    }

    static QByteArray readFile(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QString socksProxyFile() const { return path("state") + QStringLiteral("/networksetup/Ethernet.socksfirewall"); }

    QTemporaryDir m_dir;
    bool m_valid = m_dir.isValid();
    QList<QProcess*> m_processes;
    QHash<QProcess*, QByteArray> m_output;
};

#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Throwaway state for the networksetup and pfctl stand-ins, named in this process's environment
// (which the stand-ins inherit) for the object's life. The listed network services, one a line,
// are all networksetup knows; the desktop's proxy settings stay untouched.
class StandInState {
public:
    explicit StandInState(const QByteArray& services)
    {
        qputenv("VELMORAND_STATE_DIR", m_dir.path().toUtf8());
        qputenv("VELMORAND_PF_STATE_DIR", m_dir.filePath(QStringLiteral("pf")).toUtf8());
        qputenv("GSETTINGS_BACKEND", "memory");
        QDir().mkpath(m_dir.filePath(QStringLiteral("networksetup")));
        QFile file(m_dir.filePath(QStringLiteral("networksetup/services")));
        m_ready = file.open(QIODevice::WriteOnly) && file.write(services) == services.size();
    }

    ~StandInState()
    {
        qunsetenv("VELMORAND_STATE_DIR");
        qunsetenv("VELMORAND_PF_STATE_DIR");
    }

    StandInState(const StandInState&) = delete;
    StandInState& operator=(const StandInState&) = delete;

    bool ready() const { return m_ready; }

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
};

#pragma once

#include "support/core_test_environment.h"

#include <QByteArray>
#include <QTemporaryDir>

// Throwaway state for the networksetup and pfctl stand-ins, named in this process's environment
// (which the stand-ins inherit) for the object's life. The listed network services are all
// networksetup knows; the desktop's proxy settings stay untouched.
class StandInState {
public:
    explicit StandInState(const QStringList& services)
    {
        QString why;
        m_ready = useThrowawayNetworkServices(m_dir.path(), services, &why);
        qputenv("VELMORAND_PF_STATE_DIR", m_dir.filePath(QStringLiteral("pf")).toUtf8());
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

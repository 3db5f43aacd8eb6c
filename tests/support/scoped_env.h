#pragma once

#include <QByteArray>
#include <QtGlobal>

// Puts an environment variable back as it was (set to its old value, or unset) when the object
// dies, whatever the test did to it meanwhile.
class ScopedEnv {
public:
    explicit ScopedEnv(const char* name)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_had(qEnvironmentVariableIsSet(name))
    {
    }
    // Sets the variable for the object's life.
    ScopedEnv(const char* name, const QByteArray& value)
        : ScopedEnv(name)
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

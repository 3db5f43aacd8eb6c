#pragma once

#include <QString>

struct AdminScriptResult {
    bool succeeded = false;
    QString output;
    // The error text when the script failed or was refused.
    QString error;
};

// Runs a shell script as the administrator, behind the system's prompt where there is one: the
// stand-in for `do shell script "…" with administrator privileges`. The script text is the exact
// text the caller produced.
class AdminScriptRunner {
public:
    virtual ~AdminScriptRunner() = default;
    virtual AdminScriptResult run(const QString& script) = 0;

    static AdminScriptRunner& shared();
};

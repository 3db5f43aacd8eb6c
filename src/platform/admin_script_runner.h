#pragma once

#include <QString>

#include <memory>

struct AdminScriptResult {
    // Why a script never ran as root: the user gave no administrator rights (the prompt was
    // dismissed, refused or missing), or this install's tools are ones other users could change.
    enum class Refusal { none, notAuthorized, untrustedInstall };

    bool succeeded = false;
    QString output;
    // The error text when the script failed or was refused.
    QString error;
    Refusal refusal = Refusal::none;
};

// Runs a shell script as the administrator, behind the system's prompt where there is one: the
// stand-in for `do shell script "…" with administrator privileges`. The script text is the exact
// text the caller produced.
class AdminScriptRunner {
public:
    virtual ~AdminScriptRunner() = default;
    virtual AdminScriptResult run(const QString& script) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<AdminScriptRunner> makeNative();
};

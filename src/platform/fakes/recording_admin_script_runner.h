#pragma once

#include "../admin_script_runner.h"

#include <QStringList>

#include <functional>

// Records every script text and answers from a handler (by default: success).
class RecordingAdminScriptRunner final : public AdminScriptRunner {
public:
    AdminScriptResult run(const QString& script) override
    {
        scripts.append(script);
        if (handler)
            return handler(script);
        return {true, {}, {}};
    }

    QStringList scripts;
    std::function<AdminScriptResult(const QString&)> handler;
};

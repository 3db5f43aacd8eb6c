#pragma once

#include "platform/text_format.h"
#include "support/scoped_language.h"
#include "ui/dashboard_fixture.h"
#include "ui/nodes/latency_test.h"

#include <QCoroTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

inline Node makeNode(qint64 id, const QString& name, const QString& status = QStringLiteral("online"),
                     std::optional<qint64> delay = std::nullopt, std::optional<QString> location = std::nullopt)
{
    return {.id = id,
            .name = name,
            .server = QStringLiteral("127.0.0.%1").arg(id % 250 + 1),
            .port = 443,
            .method = QStringLiteral("trojan"),
            .status = status,
            .delay = delay,
            .location = location};
}

// Latency probes answered by the test: each probe of a host waits `after` and then answers its
// result (none: failed); hosts without an answer fail at once.
struct ScriptedProbes {
    struct Answer {
        std::chrono::milliseconds after{0};
        std::optional<qint64> milliseconds;
    };
    // What a probe was started with.
    struct Asked {
        QString host;
        qint64 port = 0;
        double timeout = 0;
    };
    QHash<QString, Answer> answers;
    QList<Asked> asked;
    int answered = 0;

    LatencyProbe probe()
    {
        return [this](QString host, qint64 port, double timeout) {
            asked.append({host, port, timeout});
            return answer(this, std::move(host));
        };
    }

    static QCoro::Task<std::optional<qint64>> answer(ScriptedProbes* self, QString host)
    {
        const auto found = self->answers.value(host);
        co_await QCoro::sleepFor(found.after);
        ++self->answered;
        co_return found.milliseconds;
    }
};

// A screen's world, the dashboard's: the application state over throwaway settings and a fake
// connection that records what is asked of it, and a language manager of its own for the lookups.
class NodesFixture : public DashboardFixture {
protected:
    ScopedLanguage lookups{AppLanguage::zh};
};

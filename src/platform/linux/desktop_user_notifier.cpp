#include "../user_notifier.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// Desktop notices through notify-send; without it notices are left out.
class DesktopUserNotifier final : public UserNotifier {
public:
    void requestPermission() override {}
    void post(const QString& title, const QString& body) override
    {
        const auto tool = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
        if (!tool.isEmpty())
            QProcess::startDetached(tool, {QStringLiteral("--app-name=Velmorand"), title, body});
    }
};

} // namespace

std::unique_ptr<UserNotifier> UserNotifier::makeNative() { return std::make_unique<DesktopUserNotifier>(); }

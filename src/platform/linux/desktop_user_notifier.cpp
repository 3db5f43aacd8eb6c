#include "../user_notifier.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// `text` for a body that is read as markup: the three characters that markup gives a meaning.
QString markupEscaped(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
}

// Desktop notices through notify-send; without it notices are left out. Notification servers read
// the body as markup, so a node's name in it is escaped to show as written.
class DesktopUserNotifier final : public UserNotifier {
public:
    void requestPermission() override {}
    void post(const QString& title, const QString& body) override
    {
        const auto tool = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
        if (!tool.isEmpty())
            QProcess::startDetached(tool, {QStringLiteral("--app-name=Velmorand"), title, markupEscaped(body)});
    }
};

} // namespace

std::unique_ptr<UserNotifier> UserNotifier::makeNative() { return std::make_unique<DesktopUserNotifier>(); }

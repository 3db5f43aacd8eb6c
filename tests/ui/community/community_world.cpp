#include "community_world.h"

#include "ui/common/theme.h"
#include "ui/community/stat_box.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

// The settings and language of the process-wide objects live in a throwaway directory, set
// before any of them is first used.
const bool kProcessDirsReady = [] {
    static QTemporaryDir dir;
    qputenv("VELMORAND_CONFIG_DIR", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("VELMORAND_STATE_DIR", dir.filePath(QStringLiteral("state")).toUtf8());
    return true;
}();

} // namespace

CommunityWorld::CommunityWorld()
{
    Q_UNUSED(kProcessDirsReady);
    Theme::shared().setAppearance(QStringLiteral("light"));
    Theme::shared().apply();
    port = service.listenHttp();
    api = std::make_unique<ApiService>(*settings.store, QStringList{service.baseUrl(port)});
    const auto& account = service.state().account;
    EXPECT_TRUE(QCoro::waitFor(api->login(account.email, account.password)));
    window.resize(800, 640);
    window.show();
}

CommunityWorld::~CommunityWorld()
{
    // Sheets go with the window; their deferred deletions run before the client goes.
    for (auto* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
    settle();
}

ScreenTimerFactory CommunityWorld::manualTimers()
{
    return [this](QObject* owner) -> ScreenTimer* {
        auto* timer = new ManualTimer(owner);
        timers.append(timer);
        return timer;
    };
}

void CommunityWorld::delayAnswers(const QString& path, std::chrono::milliseconds delay, int times, const QByteArray& method)
{
    StandInService::Override slow;
    if (!method.isEmpty())
        slow.method = method;
    slow.delay = delay;
    slow.times = times;
    service.setOverride(path, slow);
}

void CommunityWorld::answer(const QString& path, int status, const QByteArray& body, const QByteArray& method)
{
    StandInService::Override fixed;
    if (!method.isEmpty())
        fixed.method = method;
    fixed.status = status;
    fixed.body = body;
    service.setOverride(path, fixed);
}

void CommunityWorld::dropAnswers(const QString& path)
{
    StandInService::Override lost;
    lost.drop = true;
    service.setOverride(path, lost);
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

LanguageScope::LanguageScope(AppLanguage language)
    : lookups(language)
{
    Theme::shared().setLanguage(rawValue(language));
}

LanguageScope::~LanguageScope()
{
    Theme::shared().setLanguage(rawValue(AppLanguage::zh));
}

QStringList statValues(QWidget* screen)
{
    QStringList values;
    for (auto* box : screen->findChildren<StatBox*>())
        values << box->value();
    return values;
}

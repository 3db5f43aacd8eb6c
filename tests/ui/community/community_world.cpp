#include "community_world.h"

#include "ui/common/theme.h"
#include "ui/community/stat_box.h"

#include <QCoreApplication>

CommunityWorld::CommunityWorld()
{
    signInClient();
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

void CommunityWorld::delayAnswers(const QString& path, std::chrono::milliseconds delay, int times,
                                  const QByteArray& method)
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

LanguageScope::LanguageScope(AppLanguage language)
    : lookups(language)
    , theme(appliedTheme())
{
    theme.setLanguage(rawValue(language));
}

LanguageScope::~LanguageScope() { theme.setLanguage(rawValue(AppLanguage::zh)); }

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QStringList statValues(QWidget* screen)
{
    QStringList values;
    for (auto* box : screen->findChildren<StatBox*>())
        values << box->value();
    return values;
}

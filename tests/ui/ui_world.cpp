#include "ui_world.h"

#include "platform/text_table.h"
#include "ui/account/full_page_login_view.h"
#include "ui/common/placeholder_screen.h"
#include "ui/community/announcements_view.h"
#include "ui/shell/compact_dashboard.h"

#include <QCoroSignal>
#include <QCoroTimer>

#include <stdexcept>

namespace {

QCoro::Task<> waitOn(ManualClock* clock) { co_await clock->wait(); }

} // namespace

UiWorld::UiWorld()
{
    i18n::installLanguageSource(&language);
    // As the application context does: the engine's state and the language go out on the hub.
    QObject::connect(&vpn, &VpnConnection::stateChanged, &hub, &AppEvents::vpnStateChanged);
    QObject::connect(&language, &LanguageManager::currentLanguageChanged, &hub, &AppEvents::languageChanged);
    useApi(std::move(api));
}

UiWorld::~UiWorld() { i18n::installLanguageSource(nullptr); }

void UiWorld::useApi(std::unique_ptr<ApiService> client)
{
    startup.reset();
    appState.reset();
    api = std::move(client);
    appState = std::make_unique<AppState>(AppState::Collaborators{
        *api, *settings.store, keychain, [](QList<Node>) -> QCoro::Task<QHash<qint64, qint64>> { co_return {}; },
        [this](Node node) { return vpn.connectTo(std::move(node)); },
        [this] { return vpn.state() == ConnectionState::disconnected; }, logDir.filePath(QStringLiteral("debug.log"))});
    startup = std::make_unique<StartupRules>(StartupRules::Services{.api = *api,
                                                                    .appState = *appState,
                                                                    .vpnManager = engine.vpn,
                                                                    .settings = *settings.store,
                                                                    .connection = vpn},
                                             StartupTimings{.autoConnectDelay = std::chrono::milliseconds(10),
                                                            .proxyClearDelay = std::chrono::milliseconds(10)});
}

LoginForm::Services UiWorld::loginServices()
{
    return {*appState, keychain, *settings.store, [this](QWidget* screen) -> QWidget* {
                auto* sheet = new ForgotPasswordView(resetServices(), screen);
                sheet->open();
                return sheet;
            }};
}

ForgotPasswordView::Services UiWorld::resetServices(ManualClock* clock)
{
    ForgotPasswordView::Sleep sleep = [](std::chrono::milliseconds duration) { return QCoro::sleepFor(duration); };
    if (clock)
        sleep = [clock](std::chrono::milliseconds) { return waitOn(clock); };
    return {*appState, *settings.store, [this] { return makeApi(); }, sleep};
}

ContentView::Services UiWorld::contentServices()
{
    return {.appState = *appState,
            .settings = *settings.store,
            .theme = look.theme(),
            .biometric = biometric,
            .hub = hub,
            .sessionWatcher = &sessionWatcher,
            // Stand-ins for the tab screens, named after their tab, with the real screens' titles.
            .makeTabScreen = [](MainTab tab, QWidget* parent) -> QWidget* {
                const char16_t* titles[] = {u"仪表盘", u"节点列表", u"设置", u"服务器", u"个人中心"};
                auto* screen = new PlaceholderScreen(i18n::tr(QString::fromUtf16(titles[int(tab)])),
                                                     QStringLiteral("gauge.medium"), parent);
                screen->setObjectName(QStringLiteral("tab%1").arg(int(tab)));
                return screen;
            },
            .makeSignIn = [this](QWidget* parent) -> QWidget* {
                return new FullPageLoginView(loginServices(), urlOpener,
                                             QUrl(service.baseUrl(port) + QStringLiteral("/register")), parent);
            },
            .makeCompact = [this](QWidget* parent) -> QWidget* {
                return new CompactDashboard({vpn, *appState, *settings.store}, parent);
            },
            .makeAnnouncements = [](const QList<Announcement>& announcements, QWidget* parent) -> QDialog* {
                return new AnnouncementsView(announcements, parent);
            }};
}

void UiWorld::signIn()
{
    const auto& account = service.state().account;
    const auto result = QCoro::waitFor(appState->login(account.email, account.password));
    ASSERT_TRUE(result.ok);
    waitUntil([this] { return !appState->isLoading() && appState->isLoggedIn() && !appState->nodes().isEmpty(); });
}

Node UiWorld::node(qint64 id, const QString& status, std::optional<qint64> delay) const
{
    Node n;
    n.id = id;
    n.name = QStringLiteral("Node %1").arg(id);
    n.server = QStringLiteral("127.0.0.1");
    n.port = 443;
    n.status = status;
    n.delay = delay;
    return n;
}

void ManualClock::tick()
{
    emit ticked();
    QCoreApplication::processEvents();
}

QCoro::Task<> ManualClock::wait()
{
    ++m_waiting;
    co_await qCoro(this, &ManualClock::ticked);
    --m_waiting;
}

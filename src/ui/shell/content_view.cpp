#include "content_view.h"

#include "app/app_events.h"
#include "app/app_state.h"
#include "platform/biometric_auth.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "ui/common/icons.h"
#include "ui/common/spinner.h"
#include "ui/common/text_label.h"
#include "ui/common/theme.h"
#include "ui/shell/app_lock_view.h"
#include "ui/shell/main_toolbar.h"
#include "ui/shell/session_lock_watcher.h"
#include "ui/shell/sidebar_view.h"
#include "ui/shell/tab_shortcut.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

constexpr QSize fixedFaceSize(320, 400);

// A face of fixed size, centred in the window.
QWidget* centred(QWidget* content, QWidget* parent)
{
    auto* holder = new QWidget(parent);
    auto* outer = new QVBoxLayout(holder);
    outer->addStretch();
    content->setParent(holder);
    content->setFixedSize(fixedFaceSize);
    outer->addWidget(content, 0, Qt::AlignHCenter);
    outer->addStretch();
    return holder;
}

} // namespace

ContentView::ContentView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("contentView"));
    new QStackedLayout(this);
    m_hasSeenAnnouncements = int(m_services.settings.intOr(SettingsKeys::lastSeenAnnouncementId, 0));

    auto& appState = m_services.appState;
    connect(&appState, &AppState::isLoadingChanged, this, &ContentView::scheduleFaceUpdate);
    connect(&appState, &AppState::isLoggedInChanged, this, [this] {
        scheduleFaceUpdate();
        refreshAccount();
    });
    connect(&appState, &AppState::profileChanged, this, &ContentView::refreshAccount);
    connect(&appState, &AppState::announcementsChanged, this, &ContentView::refreshToolbar);
    connect(&m_services.settings, &SettingsStore::valueChanged, this, &ContentView::onSettingChanged);
    connect(&m_services.hub, &AppEvents::navigateToTab, this, &ContentView::navigateToTab);
    applyTheme();
    updateFace();
}

ContentView::~ContentView()
{
    if (m_keyMonitorInstalled)
        qApp->removeEventFilter(this);
}

ContentView::Face ContentView::currentFace() const
{
    const auto& settings = m_services.settings;
    const auto& appState = m_services.appState;
    if (settings.boolOr(SettingsKeys::touchIdEnabled, false) && !m_isUnlocked)
        return Face::lock;
    if (appState.isLoading())
        return Face::loading;
    if (appState.isLoggedIn() && settings.boolOr(SettingsKeys::windowIsCompact, false))
        return Face::compact;
    if (appState.isLoggedIn())
        return Face::full;
    return Face::signIn;
}

void ContentView::scheduleFaceUpdate()
{
    if (m_faceUpdateQueued)
        return;
    m_faceUpdateQueued = true;
    QMetaObject::invokeMethod(this, &ContentView::updateFace, Qt::QueuedConnection);
}

void ContentView::updateFace()
{
    m_faceUpdateQueued = false;
    const Face face = currentFace();
    if (face == m_face && m_faceWidget)
        return;
    auto* stack = static_cast<QStackedLayout*>(layout());
    QWidget* old = m_faceWidget;
    m_face = face;
    m_faceWidget = buildFace(face);
    stack->addWidget(m_faceWidget);
    stack->setCurrentWidget(m_faceWidget);
    if (old) {
        stack->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    switch (face) {
    case Face::lock:
    case Face::loading:
        setMinimumSize(fixedFaceSize);
        break;
    case Face::signIn:
        setMinimumSize(480, 600);
        break;
    case Face::compact:
        setMinimumSize(400, 300);
        break;
    case Face::full:
        setMinimumSize(700, 500);
        break;
    case Face::none:
        break;
    }
    emit faceChanged(face);
}

QWidget* ContentView::buildFace(Face face)
{
    switch (face) {
    case Face::lock:
        return buildLockFace();
    case Face::loading:
        return buildLoadingFace();
    case Face::signIn:
        return m_services.makeSignIn(this);
    case Face::compact:
        return m_services.makeCompact(this);
    case Face::full:
        return buildFullFace();
    case Face::none:
        break;
    }
    return new QWidget(this);
}

QWidget* ContentView::buildLockFace()
{
    m_lockView = new AppLockView;
    m_lockView->setError(m_biometricError);
    connect(m_lockView, &AppLockView::unlockRequested, this, &ContentView::authenticate);
    connect(m_lockView, &AppLockView::skipRequested, this, [this] { setUnlocked(true); });
    return centred(m_lockView, this);
}

QWidget* ContentView::buildLoadingFace()
{
    auto* face = new QWidget;
    auto* column = new QVBoxLayout(face);
    column->setSpacing(Spacing::xxl);
    column->addStretch();
    auto* icon = new QLabel(face);
    icon->setPixmap(Icons::appIcon(80, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);
    column->addWidget(new Spinner(24, face), 0, Qt::AlignHCenter);
    auto* text = makeLabel(i18n::tr(QStringLiteral("加载中...")), TextStyle::Body, TextColor::Secondary, face);
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text);
    column->addStretch();
    return centred(face, this);
}

QWidget* ContentView::buildFullFace()
{
    auto* face = new QWidget(this);
    auto* row = new QHBoxLayout(face);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_sidebar = new SidebarView(face);
    connect(m_sidebar, &SidebarView::tabSelected, this, &ContentView::setSelectedTab);
    row->addWidget(m_sidebar);

    auto* detailColumn = new QVBoxLayout;
    detailColumn->setSpacing(0);
    m_toolbar = new MainToolbar(face);
    connect(m_toolbar, &MainToolbar::compactRequested, this, [this] {
        auto& settings = m_services.settings;
        settings.setValue(SettingsKeys::windowIsCompact, !settings.boolOr(SettingsKeys::windowIsCompact, false));
    });
    connect(m_toolbar, &MainToolbar::appearanceRequested, this, [this] {
        const QList<QString> looks{QStringLiteral("system"), QStringLiteral("light"), QStringLiteral("dark")};
        const auto current = m_services.settings.stringOr(SettingsKeys::appearanceOverride, QStringLiteral("system"));
        m_services.settings.setValue(SettingsKeys::appearanceOverride, cyclicNext(looks, current));
    });
    connect(m_toolbar, &MainToolbar::announcementsRequested, this, &ContentView::openAnnouncements);
    detailColumn->addWidget(m_toolbar);
    m_detailHost = new QWidget(face);
    auto* hostLayout = new QVBoxLayout(m_detailHost);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    detailColumn->addWidget(m_detailHost, 1);
    row->addLayout(detailColumn, 1);

    // The full layout opens on the dashboard, or on the tab a navigation request asked for.
    m_selectedTab = m_pendingTab.value_or(MainTab::dashboard);
    m_pendingTab.reset();
    if (!m_keyMonitorInstalled) {
        qApp->installEventFilter(this);
        m_keyMonitorInstalled = true;
    }
    refreshAccount();
    refreshToolbar();
    showDetail();
    emit selectedTabChanged(m_selectedTab);
    return face;
}

void ContentView::setSelectedTab(MainTab tab)
{
    // The screen on show stays as it is (an open log, a finished look-up, a user's disconnect).
    if (tab == m_selectedTab && m_face == Face::full && m_detail)
        return;
    m_selectedTab = tab;
    if (m_face == Face::full)
        showDetail();
    emit selectedTabChanged(tab);
}

void ContentView::showDetail()
{
    if (!m_detailHost)
        return;
    if (m_detail) {
        m_detail->removeEventFilter(this);
        m_detail->hide();
        m_detail->deleteLater();
    }
    m_detail = m_services.makeTabScreen(m_selectedTab, m_detailHost);
    m_detailHost->layout()->addWidget(m_detail);
    m_detail->installEventFilter(this);
    m_sidebar->setSelectedTab(m_selectedTab);
    m_toolbar->setTitle(m_detail->windowTitle());
}

void ContentView::refreshAccount()
{
    if (m_sidebar)
        m_sidebar->setAccount(m_services.appState.isLoggedIn(), m_services.appState.profile());
}

bool ContentView::hasUnreadAnnouncements() const
{
    const auto& announcements = m_services.appState.announcements();
    return !announcements.isEmpty() && announcements.first().id > m_hasSeenAnnouncements;
}

void ContentView::refreshToolbar()
{
    if (!m_toolbar)
        return;
    m_toolbar->setAppearance(m_services.settings.stringOr(SettingsKeys::appearanceOverride, QStringLiteral("system")));
    m_toolbar->setUnreadAnnouncements(hasUnreadAnnouncements());
}

void ContentView::openAnnouncements()
{
    const auto& announcements = m_services.appState.announcements();
    if (!m_announcementsSheet) {
        // Over the full face and gone with it, like the screens' own sheets: a lock face that
        // takes over leaves no sheet open above it.
        m_announcementsSheet = m_services.makeAnnouncements(announcements, m_faceWidget);
        m_announcementsSheet->open();
    }
    if (!announcements.isEmpty())
        m_hasSeenAnnouncements = int(announcements.first().id);
    m_services.settings.setValue(SettingsKeys::lastSeenAnnouncementId, m_hasSeenAnnouncements);
    refreshToolbar();
}

void ContentView::applyTheme()
{
    auto& theme = m_services.theme;
    theme.setAppearance(m_services.settings.stringOr(SettingsKeys::appearanceOverride, QStringLiteral("system")));
    theme.setAccent(m_services.settings.stringOr(SettingsKeys::accentColor, QStringLiteral("blue")));
}

void ContentView::onSettingChanged(const QString& key)
{
    if (key == SettingsKeys::appearanceOverride || key == SettingsKeys::accentColor) {
        applyTheme();
        refreshToolbar();
    } else if (key == SettingsKeys::touchIdEnabled || key == SettingsKeys::windowIsCompact) {
        scheduleFaceUpdate();
    }
}

void ContentView::navigateToTab(MainTab tab)
{
    if (m_face == Face::full) {
        setSelectedTab(tab);
    } else {
        // Shown when the full layout appears, instead of the dashboard.
        m_pendingTab = tab;
        m_selectedTab = tab;
    }
    if (m_services.settings.boolOr(SettingsKeys::windowIsCompact, false))
        m_services.settings.setValue(SettingsKeys::windowIsCompact, false);
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    addScreenLockObserver();
    if (m_services.settings.boolOr(SettingsKeys::touchIdEnabled, false))
        authenticate();
}

bool ContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_detail && event->type() == QEvent::WindowTitleChange && m_toolbar) {
        m_toolbar->setTitle(m_detail->windowTitle());
    } else if (event->type() == QEvent::KeyPress && m_face == Face::full) {
        if (const auto tab = tabForShortcut(*static_cast<QKeyEvent*>(event))) {
            setSelectedTab(*tab);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::addScreenLockObserver()
{
    if (!m_services.sessionWatcher || !m_services.settings.boolOr(SettingsKeys::touchIdEnabled, false))
        return;
    connect(m_services.sessionWatcher, &SessionLockWatcher::sessionWillLock, this, &ContentView::lockAgain,
            Qt::UniqueConnection);
}

void ContentView::authenticate()
{
    auto& biometric = m_services.biometric;
    if (!biometric.isAvailable()) {
        setBiometricError(i18n::tr(QStringLiteral("不支持生物识别")));
        return;
    }
    setBiometricError(std::nullopt);
    biometric.authenticate(i18n::tr(QStringLiteral("解锁 Velmorand")),
                           [view = QPointer(this)](bool success, const QString& error) {
                               if (!view)
                                   return;
                               if (success)
                                   view->setUnlocked(true);
                               else
                                   view->setBiometricError(error.isEmpty() ? std::nullopt : std::optional(error));
                           });
}

void ContentView::lockAgain() { setUnlocked(false); }

void ContentView::setUnlocked(bool unlocked)
{
    m_isUnlocked = unlocked;
    scheduleFaceUpdate();
}

void ContentView::setBiometricError(const std::optional<QString>& error)
{
    m_biometricError = error;
    if (m_lockView)
        m_lockView->setError(error);
}

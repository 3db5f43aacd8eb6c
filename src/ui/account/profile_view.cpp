#include "profile_view.h"

#include "app/app_events.h"
#include "app/app_state.h"
#include "platform/text_table.h"
#include "ui/account/action_list.h"
#include "ui/account/profile_cards.h"
#include "ui/account/screen_scaffold.h"

#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString t(const char16_t* key) { return i18n::tr(QString::fromUtf16(key)); }

} // namespace

ProfileView::ProfileView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    m_column = buildScrollingScreen(this, t(u"个人中心"), QStringLiteral("person.crop.circle"));
    m_column->addStretch();

    auto& appState = m_services.appState;
    connect(&appState, &AppState::isLoggedInChanged, this, &ProfileView::scheduleRebuild);
    connect(&appState, &AppState::profileChanged, this, &ProfileView::scheduleRebuild);
    // A completed purchase posts this: the plan, expiry and traffic shown here change.
    connect(&m_services.notifier, &AppEvents::refreshProfile, this, [this] { m_services.appState.loadProfile(); });
    rebuild();
}

void ProfileView::scheduleRebuild()
{
    // The change may come from a handler of a widget that the rebuild replaces.
    if (m_rebuildQueued)
        return;
    m_rebuildQueued = true;
    QMetaObject::invokeMethod(this, &ProfileView::rebuild, Qt::QueuedConnection);
}

void ProfileView::rebuild()
{
    m_rebuildQueued = false;
    if (m_cards) {
        m_cards->hide();
        m_cards->deleteLater();
    }
    m_cards = new QWidget(m_column->parentWidget());
    m_cards->setObjectName(QStringLiteral("profileCards"));
    auto* cards = new QVBoxLayout(m_cards);
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setSpacing(16);
    const auto& appState = m_services.appState;
    const auto& profile = appState.profile();
    if (appState.isLoggedIn() && profile) {
        cards->addWidget(ProfileCards::accountCard(*profile, m_cards));
        cards->addWidget(ProfileCards::planCard(*profile, opening(m_services.openPurchase), m_cards));
        cards->addWidget(ProfileCards::inviteCard(*profile, m_cards));
    } else {
        cards->addWidget(ProfileCards::notSignedInCard(opening(m_services.openSignIn), m_cards));
    }
    buildActions(m_cards);
    cards->addWidget(m_actions);
    m_column->insertWidget(0, m_cards);
}

void ProfileView::buildActions(QWidget* parent)
{
    m_actions = new ActionList(parent);
    m_actions->setObjectName(QStringLiteral("actionList"));
    const bool signedIn = m_services.appState.isLoggedIn();
    if (signedIn) {
        // These five titles have no entry in the text table: they read as written everywhere.
        m_actions->addAction(QStringLiteral("link"), TextColor::Purple, t(u"订阅链接"),
                             opening(m_services.openSubscription));
        m_actions->addDivider();
        m_actions->addAction(QStringLiteral("chart.bar"), TextColor::Blue, t(u"流量明细"),
                             opening(m_services.openTrafficLog));
        m_actions->addDivider();
        m_actions->addAction(QStringLiteral("person.badge.plus"), TextColor::Green, t(u"邀请返利"),
                             opening(m_services.openInvite));
        m_actions->addDivider();
        m_actions->addAction(QStringLiteral("yensign.circle"), TextColor::Orange, t(u"提现"),
                             opening(m_services.openWithdraw));
        m_actions->addDivider();
        m_actions->addAction(QStringLiteral("arrow.triangle.2.circlepath"), TextColor::Teal, t(u"转换器"),
                             opening(m_services.openConverter));
        m_actions->addDivider();
    }
    m_actions->addAction(QStringLiteral("headphones"), TextColor::Blue, t(u"联系客服"),
                         opening(m_services.openSupport));
    m_actions->addDivider();
    m_actions->addAction(QStringLiteral("trash"), TextColor::Orange, t(u"清除缓存"), [this] { clearCache(); });
    if (signedIn) {
        m_actions->addDivider();
        m_actions->addAction(QStringLiteral("rectangle.portrait.and.arrow.right"), TextColor::Red, t(u"退出登录"),
                             [this] { confirmLogout(); });
    }
}

std::function<void()> ProfileView::opening(const SheetOpener& opener)
{
    if (!opener)
        return {};
    return [this, opener] { opener(this); };
}

void ProfileView::clearCache()
{
    m_services.appState.clearCache();
    auto* alert = new QMessageBox(QMessageBox::NoIcon, t(u"清除缓存"), t(u"缓存已清除"), QMessageBox::NoButton, this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    // "好" has no entry in the text table.
    alert->addButton(t(u"好"), QMessageBox::RejectRole);
    m_cacheCleared = alert;
    alert->open();
}

void ProfileView::confirmLogout()
{
    auto* alert = new QMessageBox(QMessageBox::Warning, t(u"确认退出登录"), t(u"退出后需要重新登录才能使用 VPN"),
                                  QMessageBox::NoButton, this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    auto* signOut = alert->addButton(t(u"退出登录"), QMessageBox::DestructiveRole);
    alert->addButton(t(u"取消"), QMessageBox::RejectRole);
    connect(signOut, &QPushButton::clicked, this, [this] { m_services.appState.logout(); });
    m_logoutConfirm = alert;
    alert->open();
}

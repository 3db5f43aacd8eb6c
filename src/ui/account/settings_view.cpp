#include "settings_view.h"

#include "app/app_state.h"
#include "app/url_opener.h"
#include "connection/vpn_connection.h"
#include "platform/app_language.h"
#include "platform/biometric_auth.h"
#include "platform/language_manager.h"
#include "platform/login_item.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "ui/account/avatar_badge.h"
#include "ui/account/dns_section.h"
#include "ui/account/profile_cards.h"
#include "ui/account/screen_scaffold.h"
#include "ui/account/settings_form.h"
#include "ui/account/speed_test_section.h"
#include "ui/account/split_tunnel_section.h"
#include "ui/account/system_cleanup.h"
#include "ui/account/vpn_section.h"
#include "ui/common/button.h"
#include "ui/common/icons.h"
#include "ui/common/text_label.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QtDebug>

using SettingsForm::ChoicePicker;
using SettingsForm::Section;

namespace {

QString t(const char16_t* key) { return i18n::tr(QString::fromUtf16(key)); }

// Sets a switch back without running its change handler again.
void revert(QCheckBox* toggle, bool checked)
{
    const QSignalBlocker blocker(toggle);
    toggle->setChecked(checked);
}

} // namespace

SettingsView::SettingsView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    // The toolbar shows the title; the form has no header of its own.
    m_column = buildScrollingScreen(this, t(u"设置"));
    auto& s = m_services;
    m_column->addWidget(buildAccountSection());
    m_vpn = new VpnSection(s.connection, s.settings, s.notifier, this);
    m_column->addWidget(m_vpn);
    m_dns = new DnsSection(s.settings, this);
    m_column->addWidget(m_dns);
    m_splitTunnel = new SplitTunnelSection(s.connection, s.applicationDirectories, this);
    m_column->addWidget(m_splitTunnel);
    m_cleanup = new SystemCleanup(s.connection, this);
    m_column->addWidget(buildSecuritySection());
    m_column->addWidget(buildAppearanceSection());
    m_column->addWidget(buildLanguageSection());
    SpeedTest::Options speedTest;
    speedTest.file = QUrl(s.webSite + QStringLiteral("/static/test.bin"));
    speedTest.proxy = s.speedTestProxy;
    speedTest.idleTimeout = s.speedTestIdleTimeout;
    m_speedTest = new SpeedTestSection(s.connection, s.ping, speedTest, this);
    m_column->addWidget(m_speedTest);
    m_column->addWidget(buildGeneralSection());
    m_column->addWidget(buildAboutSection());
    m_column->addStretch();

    connect(&s.appState, &AppState::isLoggedInChanged, this, &SettingsView::scheduleAccountRefresh);
    connect(&s.appState, &AppState::profileChanged, this, &SettingsView::scheduleAccountRefresh);
}

QString SettingsView::versionString()
{
    const auto version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_services.connection.loadSplitTunnelApps();
}

// Account --------------------------------------------------------------------------------------

Section* SettingsView::buildAccountSection()
{
    m_account = new Section(QString(), this);
    refreshAccount();
    return m_account;
}

void SettingsView::scheduleAccountRefresh()
{
    // The sign-in sheet's own success may be what changed the state.
    if (m_accountRefreshQueued)
        return;
    m_accountRefreshQueued = true;
    QMetaObject::invokeMethod(this, &SettingsView::refreshAccount, Qt::QueuedConnection);
}

void SettingsView::refreshAccount()
{
    m_accountRefreshQueued = false;
    if (m_accountRow) {
        m_accountRow->hide();
        m_accountRow->deleteLater();
    }
    m_accountRow = new QWidget(m_account);
    m_accountRow->setObjectName(QStringLiteral("accountRow"));
    auto* row = new QHBoxLayout(m_accountRow);
    row->setContentsMargins(0, 0, 0, 0);
    const auto& appState = m_services.appState;
    if (appState.isLoggedIn() && appState.profile()) {
        const auto& profile = *appState.profile();
        const auto letter = profile.email ? ProfileCards::avatarLetter(profile) : QStringLiteral("V");
        row->addWidget(new AvatarBadge(letter, 36, 1.0, m_accountRow));
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        column->addWidget(
            makeOneLineLabel(profile.name.value_or(profile.email.value_or(t(u"用户"))), TextStyle::Headline));
        column->addWidget(
            makeOneLineLabel(profile.email.value_or(QString()), TextStyle::Caption, TextColor::Secondary));
        row->addLayout(column, 1);
    } else {
        row->addWidget(makeLabel(t(u"未登录"), TextStyle::Body, TextColor::Secondary, m_accountRow));
        row->addStretch();
        auto* signIn = new Button(t(u"去登录"), Button::Style::Link, m_accountRow);
        signIn->setObjectName(QStringLiteral("goSignIn"));
        signIn->setEnabled(bool(m_services.openSignIn));
        connect(signIn, &QPushButton::clicked, this, [this] {
            if (m_services.openSignIn)
                m_services.openSignIn(this);
        });
        row->addWidget(signIn);
    }
    m_account->addRow(m_accountRow);
}

// Security -------------------------------------------------------------------------------------

Section* SettingsView::buildSecuritySection()
{
    auto* section = new Section(t(u"安全"), this);
    auto& settings = m_services.settings;
    m_touchId
        = SettingsForm::makeStoredToggle(t(u"Touch ID 解锁"), settings, SettingsKeys::touchIdEnabled, false, section);
    connect(m_touchId, &QCheckBox::toggled, this, &SettingsView::onTouchIdToggled);
    section->addRow(m_touchId);
    m_launchOnLogin
        = SettingsForm::makeStoredToggle(t(u"开机启动"), settings, SettingsKeys::launchOnLogin, false, section);
    connect(m_launchOnLogin, &QCheckBox::toggled, this, &SettingsView::onLaunchOnLoginToggled);
    section->addRow(m_launchOnLogin);

    m_cleanupButton = new Button(t(u"清理系统代理配置"), Button::Style::Plain, section);
    m_cleanupButton->setObjectName(QStringLiteral("cleanupButton"));
    m_cleanupButton->setSymbol(QStringLiteral("trash"));
    m_cleanupButton->setTint(TextColor::Red);
    m_cleanupButton->setToolTip(QStringLiteral("关闭系统代理、清除防火墙规则及 networksetup 免密权限"));
    connect(m_cleanupButton, &QPushButton::clicked, m_cleanup, &SystemCleanup::confirm);
    connect(m_cleanup, &SystemCleanup::runningChanged, m_cleanupButton, [this](bool running) {
        m_cleanupButton->setBusy(running);
        m_cleanupButton->setEnabled(!running);
    });
    auto* cleanupRow = new QHBoxLayout;
    cleanupRow->addWidget(m_cleanupButton);
    cleanupRow->addStretch();
    section->addRow(cleanupRow);
    return section;
}

void SettingsView::onTouchIdToggled(bool on)
{
    if (on && !m_services.biometric.isAvailable()) {
        revert(m_touchId, false);
        m_services.settings.setValue(SettingsKeys::touchIdEnabled, false);
    }
}

void SettingsView::onLaunchOnLoginToggled(bool on)
{
    if (m_services.loginItem.setEnabled(on))
        return;
    qWarning().noquote() << QStringLiteral("Failed to update login item: ")
            + (on ? QStringLiteral("registration refused") : QStringLiteral("removal refused"));
    revert(m_launchOnLogin, !on);
    m_services.settings.setValue(SettingsKeys::launchOnLogin, !on);
}

// Appearance and language ----------------------------------------------------------------------

Section* SettingsView::buildAppearanceSection()
{
    auto* section = new Section(t(u"外观"), this);
    auto& settings = m_services.settings;
    m_theme = new ChoicePicker(t(u"主题"),
                               {{t(u"跟随系统"), QStringLiteral("system")},
                                {t(u"浅色"), QStringLiteral("light")},
                                {t(u"深色"), QStringLiteral("dark")}},
                               section);
    m_theme->setValue(settings.stringOr(SettingsKeys::appearanceOverride, QStringLiteral("system")));
    connect(m_theme, &ChoicePicker::chosen, this,
            [&settings](const QString& value) { settings.setValue(SettingsKeys::appearanceOverride, value); });
    section->addRow(m_theme);
    m_accent = new ChoicePicker(t(u"强调色"),
                                {{t(u"蓝色"), QStringLiteral("blue")},
                                 {t(u"绿色"), QStringLiteral("green")},
                                 {t(u"紫色"), QStringLiteral("purple")},
                                 {t(u"橙色"), QStringLiteral("orange")},
                                 {t(u"红色"), QStringLiteral("red")}},
                                section);
    m_accent->setValue(settings.stringOr(SettingsKeys::accentColor, QStringLiteral("blue")));
    connect(m_accent, &ChoicePicker::chosen, this,
            [&settings](const QString& value) { settings.setValue(SettingsKeys::accentColor, value); });
    section->addRow(m_accent);
    return section;
}

Section* SettingsView::buildLanguageSection()
{
    auto* section = new Section(t(u"语言"), this);
    m_language = new ChoicePicker(t(u"语言"),
                                  {{QStringLiteral("中文"), rawValue(AppLanguage::zh)},
                                   {QStringLiteral("English"), rawValue(AppLanguage::en)},
                                   {QStringLiteral("日本語"), rawValue(AppLanguage::ja)}},
                                  section);
    auto& languages = m_services.languageManager;
    m_language->setValue(rawValue(languages.currentLanguage()));
    // The window rebuilds its content on the announcement, this form with it.
    connect(m_language, &ChoicePicker::chosen, this, [&languages](const QString& value) {
        if (const auto language = appLanguageFromRawValue(value))
            languages.setLanguage(*language);
    });
    section->addRow(m_language);
    return section;
}

// General and about ----------------------------------------------------------------------------

Button* SettingsView::linkTo(const QString& title, const QString& path)
{
    auto* link = new Button(title, Button::Style::Link, this);
    connect(link, &QPushButton::clicked, this,
            [this, path] { m_services.urlOpener.open(QUrl(m_services.webSite + path)); });
    return link;
}

Section* SettingsView::buildGeneralSection()
{
    auto* section = new Section(t(u"通用"), this);
    auto* check = new Button(t(u"检查更新"), Button::Style::Bordered, section);
    check->setObjectName(QStringLiteral("checkForUpdates"));
    check->setEnabled(bool(m_services.checkForUpdates));
    connect(check, &QPushButton::clicked, this, [this] { m_services.checkForUpdates(); });
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(check);
    checkRow->addStretch();
    section->addRow(checkRow);
    auto* siteRow = new QHBoxLayout;
    siteRow->addWidget(linkTo(t(u"访问官网"), QString()));
    siteRow->addStretch();
    section->addRow(siteRow);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(makeLabel(t(u"版本"), TextStyle::Body));
    versionRow->addStretch();
    versionRow->addWidget(makeLabel(versionString(), TextStyle::Body, TextColor::Secondary));
    section->addRow(versionRow);
    return section;
}

Section* SettingsView::buildAboutSection()
{
    auto* section = new Section(t(u"关于"), this);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    auto* icon = new QLabel(section);
    icon->setPixmap(Icons::appIcon(48));
    row->addWidget(icon);
    auto* column = new QVBoxLayout;
    column->addWidget(makeLabel(QStringLiteral("Velmorand"), TextStyle::Headline));
    column->addWidget(
        makeLabel(i18n::format(t(u"版本 %@"), versionString()), TextStyle::Caption, TextColor::Secondary));
    // The system the program runs on, as the system names itself.
    column->addWidget(makeLabel(QSysInfo::prettyProductName(), TextStyle::Caption2, TextColor::Secondary));
    row->addLayout(column, 1);
    section->addRow(row);
    for (const auto& [title, path] :
         {std::pair{t(u"隐私政策"), QStringLiteral("/privacy")}, std::pair{t(u"服务条款"), QStringLiteral("/terms")}}) {
        auto* linkRow = new QHBoxLayout;
        linkRow->addWidget(linkTo(title, path));
        linkRow->addStretch();
        section->addRow(linkRow);
    }
    return section;
}

#include "menu_commands.h"

#include "app/app_events.h"
#include "app/app_state.h"
#include "connection/vpn_connection.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "ui/shell/tab_screens.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

MenuCommands::MenuCommands(Services services, AppEvents& notifier, QMenuBar* menuBar)
    : QObject(menuBar)
    , m_services(std::move(services))
{
    // The application menu carries the program's name, as on the desktop it was designed for.
    m_appMenu = menuBar->addMenu(QStringLiteral("Velmorand"));
    m_compact = m_appMenu->addAction(QString());
    m_compact->setObjectName(QStringLiteral("compactCommand"));
    m_compact->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    connect(m_compact, &QAction::triggered, this, [this] {
        auto& settings = m_services.settings;
        settings.setValue(SettingsKeys::windowIsCompact, !settings.boolOr(SettingsKeys::windowIsCompact, false));
    });
    m_appMenu->addSeparator();
    m_quit = m_appMenu->addAction(QString());
    m_quit->setObjectName(QStringLiteral("quitCommand"));
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);

    m_navigationMenu = menuBar->addMenu(QString());
    for (std::size_t index = 0; index < navigationTabs.size(); ++index) {
        const auto tab = navigationTabs[index];
        auto* action = m_navigationMenu->addAction(QString());
        action->setObjectName(QStringLiteral("navigateCommand%1").arg(index));
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + int(index))));
        connect(action, &QAction::triggered, this, [&notifier, tab] { emit notifier.navigateToTab(tab); });
        m_navigation.append(action);
    }

    m_vpnMenu = menuBar->addMenu(QStringLiteral("VPN"));
    m_vpn = m_vpnMenu->addAction(QString());
    m_vpn->setObjectName(QStringLiteral("vpnCommand"));
    m_vpn->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_vpn, &QAction::triggered, this, &MenuCommands::toggleConnection);

    connect(&m_services.connection, &VpnConnection::stateChanged, this, &MenuCommands::refresh);
    connect(&m_services.appState, &AppState::nodesChanged, this, &MenuCommands::refresh);
    connect(&m_services.settings, &SettingsStore::valueChanged, this, [this](const QString& key) {
        if (key == SettingsKeys::windowIsCompact)
            refresh();
    });
    retranslate();
}

void MenuCommands::retranslate()
{
    m_navigationMenu->setTitle(i18n::tr(QStringLiteral("导航")));
    for (int index = 0; index < m_navigation.size(); ++index)
        m_navigation[index]->setText(navigationTabTitle(navigationTabs[index]));
    m_quit->setText(i18n::tr(QStringLiteral("退出")));
    refresh();
}

void MenuCommands::refresh()
{
    const bool compact = m_services.settings.boolOr(SettingsKeys::windowIsCompact, false);
    m_compact->setText(compact ? i18n::tr(QStringLiteral("展开窗口")) : i18n::tr(QStringLiteral("紧凑模式")));
    const bool connected = m_services.connection.state() == ConnectionState::connected;
    m_vpn->setText(connected ? i18n::tr(QStringLiteral("断开连接")) : i18n::tr(QStringLiteral("连接 VPN")));
    m_vpn->setEnabled(!m_services.appState.nodes().isEmpty());
}

void MenuCommands::toggleConnection() { ::toggleConnection(m_services); }

#include "system_cleanup.h"

#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/common/plain_alert.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QString t(const char16_t* key) { return i18n::tr(QString::fromUtf16(key)); }

} // namespace

SystemCleanup::SystemCleanup(VpnConnection& connection, QWidget* screen)
    : QObject(screen)
    , m_connection(connection)
    , m_screen(screen)
{
}

QString SystemCleanup::report(const VpnConnection::CleanupResult& result)
{
    return QStringList{
        result.proxyOff ? t(u"系统代理已关闭") : t(u"系统代理清理失败"),
        result.pfCleared ? t(u"防火墙规则已清除") : t(u"防火墙规则清理失败"),
        result.sudoersRemoved ? t(u"免密权限已移除") : t(u"免密权限移除失败"),
    }
        .join(QLatin1Char('\n'));
}

void SystemCleanup::confirm()
{
    if (m_running)
        return;
    auto* alert = new QMessageBox(QMessageBox::Warning, t(u"清理系统代理配置"),
                                  t(u"将关闭系统代理、清除防火墙规则，并移除 networksetup 免密权限。建议卸载前使用。"),
                                  QMessageBox::NoButton, m_screen);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->addButton(t(u"取消"), QMessageBox::RejectRole);
    auto* clean = alert->addButton(t(u"确认清理"), QMessageBox::DestructiveRole);
    connect(clean, &QPushButton::clicked, this, [this] { perform(); });
    m_confirmation = alert;
    alert->open();
}

QCoro::Task<> SystemCleanup::perform()
{
    if (m_running)
        co_return;
    setRunning(true);
    // The screen may be rebuilt meanwhile (a new language): the clean-up leaves it for the window
    // it is shown in, so that its report still reaches the user.
    QWidget* window = m_screen->window();
    m_window = window == m_screen ? nullptr : window;
    setParent(m_window);
    if (m_connection.state() == ConnectionState::connected) {
        if (!co_await whileAlive(this, m_connection.disconnect()))
            co_return;
    }
    const auto result = co_await whileAlive(this, m_connection.cleanupSystemConfig(true));
    if (!result)
        co_return;
    setRunning(false);
    showReport(report(*result));
    if (m_screen)
        setParent(m_screen);
    else
        deleteLater();
}

void SystemCleanup::setRunning(bool running)
{
    m_running = running;
    emit runningChanged(running);
}

void SystemCleanup::showReport(const QString& text)
{
    // Titled "清理完成" also when some steps failed: the lines say which.
    QWidget* over = m_screen ? m_screen.data() : m_window.data();
    auto* alert = makePlainAlert(QMessageBox::Information, t(u"清理完成"), text, over);
    alert->addButton(t(u"好"), QMessageBox::RejectRole);
    m_report = alert;
    alert->open();
}

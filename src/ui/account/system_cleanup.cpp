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

void SystemCleanup::perform()
{
    if (m_running)
        return;
    setRunning(true);
    // The screen may be rebuilt meanwhile (a new language): the run belongs to no screen and
    // reports over the window the screen is shown in, which a rebuild leaves standing; the screen
    // hears the end only while it lives.
    whileAlive(this, run(m_connection, m_screen->window()), [this](QMessageBox* shown) {
        m_report = shown;
        setRunning(false);
    });
}

QCoro::Task<QMessageBox*> SystemCleanup::run(VpnConnection& connection, QPointer<QWidget> window)
{
    if (connection.state() == ConnectionState::connected)
        co_await connection.disconnect();
    const auto result = co_await connection.cleanupSystemConfig(true);
    // Titled "清理完成" also when some steps failed: the lines say which. Over the window, or on
    // its own once the window is gone.
    auto* alert = makePlainAlert(QMessageBox::Information, t(u"清理完成"), report(result), window);
    alert->addButton(t(u"好"), QMessageBox::RejectRole);
    alert->open();
    co_return alert;
}

void SystemCleanup::setRunning(bool running)
{
    m_running = running;
    emit runningChanged(running);
}

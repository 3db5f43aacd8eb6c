#include "update_dialogs.h"

#include "platform/while_alive.h"
#include "ui/common/one_line_text.h"
#include "ui/common/plain_alert.h"
#include "ui/shell/download_progress_view.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoroSignal>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

// A message box that Escape and its close button dismiss without a button pressed: a plain one
// presses its reject-role button, which is the mandatory update's "退出".
class DismissibleAlert : public QMessageBox {
protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Cancel))
            reject();
        else
            QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        reject();
    }
};

// Ends once the box has been answered or dismissed.
QCoro::Task<> finished(QMessageBox* box) { co_await qCoro(box, &QMessageBox::finished); }

} // namespace

QCoro::Task<int> UpdateDialogs::alert(QString message, QString informativeText, QStringList buttons)
{
    auto* box = new DismissibleAlert;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Velmorand"));
    setPlainTexts(box, message, informativeText);
    QList<QAbstractButton*> order;
    for (const auto& title : buttons)
        order.append(box->addButton(title, order.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    // The first button answers Return, as in the desktop's own alerts.
    if (!order.isEmpty())
        box->setDefaultButton(qobject_cast<QPushButton*>(order.first()));
    box->setWindowModality(Qt::ApplicationModal);
    box->open();
    // Closed without a button: -1.
    if (!co_await whileAlive(box, finished(box)))
        co_return -1;
    co_return int(order.indexOf(box->clickedButton()));
}

std::function<void()> UpdateDialogs::openDownloadWindow(const QString& version, std::function<void()> onCancel,
                                                        std::function<void()> onInstall)
{
    auto* window = new DownloadProgressView(m_notifier, version, std::move(onCancel), std::move(onInstall));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("正在下载 v") + oneLine(version));
    window->resize(320, 250);
    window->show();
    window->raise();
    window->activateWindow();
    return [guard = QPointer<QWidget>(window)] {
        if (guard)
            guard->close();
    };
}

#pragma once

#include "connection/vpn_connection.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

class QWidget;

// The system clean-up of the settings form: a confirmation, the engine's clean-up (after a
// disconnect when connected), and a report with one line per step. The engine's commands run
// off the main thread, so the window keeps responding while an administrator prompt waits.
class SystemCleanup : public QObject {
    Q_OBJECT
public:
    SystemCleanup(VpnConnection& connection, QWidget* screen);

    // The three translated lines of a result, joined by line feeds.
    static QString report(const VpnConnection::CleanupResult& result);

    // Shows the confirmation; "确认清理" runs the clean-up.
    void confirm();
    bool isRunning() const { return m_running; }
    QMessageBox* confirmation() const { return m_confirmation; }
    QMessageBox* reportAlert() const { return m_report; }

signals:
    void runningChanged(bool running);

private:
    void perform();
    // Ends a live connection, cleans up and shows the report; the connection outlives every screen.
    static QCoro::Task<QMessageBox*> run(VpnConnection& connection, QPointer<QWidget> window);
    void setRunning(bool running);

    VpnConnection& m_connection;
    // The screen owns this object.
    QWidget* m_screen;
    bool m_running = false;
    QPointer<QMessageBox> m_confirmation;
    QPointer<QMessageBox> m_report;
};

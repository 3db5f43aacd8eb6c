#pragma once

#include "api/records/server_status_records.h"
#include "ui/common/screen_timer.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QWidget>

#include <chrono>
#include <optional>

class ApiService;
class Button;
class IconButton;
class QLabel;
class QVBoxLayout;

// The server status dashboard, tab 3 of the main window: the proxy core's and the panel's state,
// the server's start time and load, the inbounds with their traffic and the active connections
// per port. It fetches the three records at once when shown, on the refresh and retry buttons,
// and by itself 10 s after each refresh started, while shown. A failed refresh shows the error's
// own description and keeps the last data for the next success.
class ServerDashboardView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        ApiService& api;
        ScreenTimerFactory makeTimer = &SystemScreenTimer::make;
    };

    static constexpr std::chrono::milliseconds refreshInterval{10000};

    // The per-port rows: every key but "total", in ascending code-point order of the key (so
    // "10086" before "443"), with its count.
    static QList<QPair<QString, qint64>> portRows(const QMap<QString, qint64>& connections);

    explicit ServerDashboardView(Services services, QWidget* parent = nullptr);

    const std::optional<ServerStatusData>& status() const { return m_status; }
    const QList<InboundInfo>& inbounds() const { return m_inbounds; }
    const QMap<QString, qint64>& connections() const { return m_connections; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    ScreenTimer* refreshTimer() const { return m_refreshTimer; }
    IconButton* refreshButton() const { return m_refreshButton; }

    // Starts a refresh now and arms the next one.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshState();
    void finishLoad();
    void rebuildData();
    QWidget* statusGrid(QWidget* parent);
    QWidget* inboundsSection(QWidget* parent);
    QWidget* connectionsSection(QWidget* parent);

    Services m_services;
    std::optional<ServerStatusData> m_status;
    QList<InboundInfo> m_inbounds;
    QMap<QString, qint64> m_connections;
    bool m_isLoading = true;
    std::optional<QString> m_errorMessage;
    ScreenTimer* m_refreshTimer;

    IconButton* m_refreshButton;
    QVBoxLayout* m_column;
    QWidget* m_loadingBlock;
    QWidget* m_errorBlock;
    QLabel* m_errorText;
    QWidget* m_data = nullptr;
};

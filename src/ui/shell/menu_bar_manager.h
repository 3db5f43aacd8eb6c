#pragma once

#include "api/records/connection_state.h"
#include "ui/common/theme.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QSystemTrayIcon;
class SettingsStore;
class VpnConnection;

// How often the status item refreshes its speed; tests shorten it.
struct MenuBarManagerTimings {
    std::chrono::milliseconds trafficInterval{2000};
};

// The program's item in the desktop's status area (the system tray): a shield whose shape and
// colour show the connection state, the live speed while connected (as its tooltip: trays show
// no text beside an icon), whether the kill switch blocks non-VPN traffic (in the tooltip too),
// and the popover with the quick controls, opened by either mouse button.
class MenuBarManager : public QObject {
    Q_OBJECT
public:
    struct Services {
        SettingsStore& settings;
        VpnConnection& connection;
        // Whether the desktop has a status area to show the item in.
        std::function<bool()> statusAreaAvailable;
        // The popover's content, made anew each time the item is shown.
        std::function<QWidget*()> makePopoverContent;
        // Colours the item's symbol.
        const Theme& theme;
    };
    using Timings = MenuBarManagerTimings;

    // Shows the item at once unless "showMenuBar" holds false.
    explicit MenuBarManager(Services services, Timings timings = {}, QObject* parent = nullptr);
    ~MenuBarManager() override;

    void setupMenuBar();
    void removeMenuBar();
    void togglePopover();
    void updateMenuIcon(ConnectionState state);

    // "512B" up to 1023 (negative reads 0), then whole kibibytes "2K" below 1024K, then "1.5M".
    static QString speedCompact(qint64 bytesPerSecond);
    // "▼ <down> ▲ <up>".
    static QString trafficTitle(qint64 down, qint64 up);

    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    QWidget* popover() const { return m_popover; }
    QString symbol() const { return m_symbol; }
    // The tint of the symbol; none for the plain symbol shown right after setup.
    std::optional<TextColor> tint() const { return m_tint; }
    QString accessibilityText() const { return m_accessibilityText; }
    QString title() const { return m_title; }
    bool isTrafficDisplayRunning() const { return m_trafficTimer != nullptr; }

private:
    void applyIcon();
    void showToolTip();
    void startTrafficDisplay();
    void stopTrafficDisplay();
    void showTrafficTitle();
    static void log(const QString& line);

    Services m_services;
    Timings m_timings;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    QPointer<QWidget> m_popover;
    std::unique_ptr<QTimer> m_trafficTimer;
    QString m_symbol;
    std::optional<TextColor> m_tint;
    QString m_accessibilityText;
    QString m_title;
};

#pragma once

#include "api/records/node.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppState;
class LanguageManager;
class LoginItem;
class NodePicker;
class PopoverModeRow;
class PopoverQuickSettings;
class PopoverStatusCard;
class QuickConnectButton;
class QVBoxLayout;
class RowButton;
class SettingsStore;
class VpnConnection;

// The quick controls of the status item's popover, one column of a fixed width: quick connect,
// the proxy and routing modes, the live status, up to three recent online nodes, the searchable
// picker of every online node (it scrolls, so no node is out of reach), the launch-at-login and
// system-proxy switches, and the ways to the main window and out of the application. Made once
// with the status item; it keeps its search text while the popover is closed.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        VpnConnection& connection;
        AppState& appState;
        LanguageManager& languageManager;
        SettingsStore& settings;
        LoginItem& loginItem;
        // Ends the application; the delegate's termination handling follows.
        std::function<void()> quit;
    };

    static constexpr int contentWidth = 320;
    static constexpr int recentLimit = 3;

    explicit MenuBarView(Services services, QWidget* parent = nullptr);

    // Disconnects when connected; signed out, shows the main window; else connects to the first
    // online recent node, else the first online node.
    void toggleMainConnection();
    // Signed in: disconnects from the connected node, else connects to the node as the list
    // holds it now.
    void toggleConnection(const Node& node);
    // Brings the main window to the front.
    void showMainWindow();
    // Disconnects a live connection, stops the timers and ends the application.
    void quitApp();

    QuickConnectButton* quickConnect() const { return m_quickConnect; }
    PopoverModeRow* modeRow() const { return m_modeRow; }
    PopoverStatusCard* statusCard() const { return m_statusCard; }
    QWidget* recentSection() const { return m_recentSection; }
    QList<RowButton*> recentRows() const { return m_recentRows; }
    NodePicker* nodePicker() const { return m_picker; }
    PopoverQuickSettings* quickSettings() const { return m_quickSettings; }
    QMessageBox* quitConfirmation() const { return m_quitConfirm; }

private:
    bool isActive(const Node& node) const;
    std::optional<qint64> activeId() const;
    void buildContent();
    void retranslate();
    void askToQuit();
    void refreshConnection();
    void refreshNodes();
    void rebuildRecent();

    Services m_services;
    QWidget* m_content = nullptr;
    QuickConnectButton* m_quickConnect;
    PopoverModeRow* m_modeRow;
    PopoverStatusCard* m_statusCard;
    QWidget* m_recentSection;
    QVBoxLayout* m_recentRowsLayout;
    QList<RowButton*> m_recentRows;
    QStringList m_recentFaces;
    NodePicker* m_picker;
    PopoverQuickSettings* m_quickSettings;
    QPointer<QMessageBox> m_quitConfirm;
    bool m_nodesRefreshQueued = false;
};

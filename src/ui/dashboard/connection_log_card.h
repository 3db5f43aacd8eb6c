#pragma once

#include "connection/connection_log_entry.h"
#include "ui/common/modern_card.h"
#include "ui/common/theme.h"

#include <QList>
#include <QUuid>

class Button;
class QScrollArea;
class QVBoxLayout;
class RowButton;
class SymbolView;
class VpnConnection;

// The last card of the dashboard: the engine's connection log behind a header that folds it
// open and shut. Open, it lists the newest entries, newest first, in a short scrolling area, and
// offers to empty the log. Every dashboard starts with it folded.
class ConnectionLogCard : public ModernCard {
    Q_OBJECT
public:
    static constexpr int maxShown = 30;
    static constexpr int maxListHeight = 180;

    explicit ConnectionLogCard(VpnConnection& connection, QWidget* parent = nullptr);

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    // Follows the engine's log; the list is rebuilt only while open.
    void refresh();

    // "HH:mm:ss" in the local time zone.
    static QString timeText(const QDateTime& timestamp);
    static QString symbolFor(ConnectionLogEntry::LogType type);
    static TextColor colorFor(ConnectionLogEntry::LogType type);

    RowButton* header() const { return m_header; }
    QWidget* body() const { return m_body; }
    QScrollArea* list() const { return m_list; }
    Button* clearButton() const { return m_clear; }
    // The entries now listed, in order, and the dividers between them.
    QList<QUuid> listedIds() const { return m_listedIds; }
    int dividerCount() const { return m_dividers; }

private:
    void rebuildList();

    VpnConnection& m_connection;
    bool m_expanded = false;
    bool m_listStale = true;
    RowButton* m_header;
    SymbolView* m_chevron;
    QWidget* m_body;
    QScrollArea* m_list;
    QWidget* m_entries = nullptr;
    Button* m_clear;
    QList<QUuid> m_listedIds;
    int m_dividers = 0;
};

#pragma once

#include "ui/common/symbol_label.h"

class VpnConnection;

// "Non-VPN traffic is blocked": shown exactly while the kill switch's rules are loaded, whatever
// the connection's state (they outlive a failed reconnect or a crashed run), so that the user
// knows why nothing but the tunnel gets out.
class BlockNotice : public SymbolLabel {
    Q_OBJECT
public:
    explicit BlockNotice(VpnConnection& connection, QWidget* parent = nullptr);

    // The notice's text in the current language, for surfaces without widgets (the tray's tooltip).
    static QString text();

private:
    void refresh();

    VpnConnection& m_connection;
};

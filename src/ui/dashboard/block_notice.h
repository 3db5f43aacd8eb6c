#pragma once

#include "ui/common/symbol_label.h"

class VpnConnection;

// What the kill switch does for the user, in one line under the connection's state:
// "Non-VPN traffic is blocked" exactly while it is chosen and its rules are loaded, whatever the
// connection's state (they outlive a failed reconnect or a crashed run), so that the user knows
// why nothing but the tunnel gets out; "not in force", with the reason, while it is chosen and connected but its
// rules did not load, so that the user does not take an open lock for a closed one; and, while
// rules are still loaded after the user turned it off, that they still block. Hidden otherwise.
class BlockNotice : public SymbolLabel {
    Q_OBJECT
public:
    explicit BlockNotice(VpnConnection& connection, QWidget* parent = nullptr);

    // The notice's line in the current language, empty while there is none, for surfaces without
    // widgets (the tray's tooltip).
    static QString line(const VpnConnection& connection);

    // As wide as the whole line: a surface that centres the notice at the width it asks for shows
    // it on one line, and only one narrower than the line wraps it, at the width it gives.
    QSize sizeHint() const override;

private:
    void refresh();

    VpnConnection& m_connection;
};

#pragma once

#include <QWidget>

class Button;
class QLabel;
class SymbolView;
class VpnConnection;

// The panel of the connection card while the local proxy runs: where it listens, a copy button,
// and the switch of the system proxy with a hint while it is off. It shows the engine's
// systemProxyEnabled as published, so a failed switch leaves the previous state on screen.
class ProxyInfoView : public QWidget {
    Q_OBJECT
public:
    explicit ProxyInfoView(VpnConnection& connection, QWidget* parent = nullptr);

    // The address put on the clipboard by the copy button.
    static QString proxyAddress();

    Button* copyButton() const { return m_copy; }
    Button* systemProxyButton() const { return m_switch; }
    QLabel* systemProxyText() const { return m_systemProxyText; }
    QLabel* hint() const { return m_hint; }

private:
    void refresh();

    VpnConnection& m_connection;
    Button* m_copy;
    SymbolView* m_systemProxySymbol;
    QLabel* m_systemProxyText;
    Button* m_switch;
    QLabel* m_hint;
};

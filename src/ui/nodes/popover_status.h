#pragma once

#include "api/records/connection_state.h"
#include "ui/common/theme.h"

#include <QAbstractButton>
#include <QWidget>

class QLabel;
class VpnConnection;

// The popover's top row: a power symbol in a circle, "quick connect" or "disconnect" over the
// state, and the connection time while connected; tinted green while connected.
class QuickConnectButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit QuickConnectButton(QWidget* parent = nullptr);

    void refresh(const VpnConnection& vpn);
    QString title() const { return m_title; }
    QString stateText() const { return m_stateText; }
    // Empty unless connected with a node.
    QString durationText() const { return m_duration; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ConnectionState m_state = ConnectionState::disconnected;
    QString m_title;
    QString m_stateText;
    QString m_duration;
};

// The popover's status card: the state light (ringed while connected), the state over the node's
// name, the connection time, and while connected the two speeds and the traffic totals.
class PopoverStatusCard : public QWidget {
    Q_OBJECT
public:
    explicit PopoverStatusCard(QWidget* parent = nullptr);

    void refresh(const VpnConnection& vpn);

    QLabel* stateLabel() const { return m_state; }
    QLabel* nodeLabel() const { return m_node; }
    QLabel* durationLabel() const { return m_duration; }
    QWidget* speedRow() const { return m_speeds; }
    QLabel* downSpeed() const { return m_down; }
    QLabel* upSpeed() const { return m_up; }
    QWidget* totalsRow() const { return m_totals; }
    QLabel* downTotal() const { return m_downTotal; }
    QLabel* upTotal() const { return m_upTotal; }
    QWidget* light() const { return m_light; }

private:
    QWidget* m_light;
    QLabel* m_state;
    QLabel* m_node;
    QLabel* m_duration;
    QWidget* m_speeds;
    QLabel* m_down;
    QLabel* m_up;
    QWidget* m_totals;
    QLabel* m_downTotal;
    QLabel* m_upTotal;
};

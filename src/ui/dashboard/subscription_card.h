#pragma once

#include "ui/common/modern_card.h"
#include "ui/common/theme.h"

class AppState;
class LinearProgress;
class QHBoxLayout;
class QLabel;

// The signed-in user's plan on the dashboard: plan, expiry, traffic used against the plan's total
// with a coloured bar, and the invitation commission. The service counts traffic in gigabytes;
// the card shows it as byte counts.
class SubscriptionCard : public ModernCard {
    Q_OBJECT
public:
    explicit SubscriptionCard(AppState& appState, QWidget* parent = nullptr);

    void refresh();

    QWidget* loadingIndicator() const { return m_loading; }
    QWidget* details() const { return m_details; }
    QLabel* plan() const { return m_plan; }
    QLabel* expiry() const { return m_expiry; }
    QLabel* traffic() const { return m_traffic; }
    LinearProgress* usageBar() const { return m_usageBar; }
    QLabel* used() const { return m_used; }
    QLabel* commission() const { return m_commission; }

private:
    AppState& m_appState;
    QWidget* m_loading;
    QWidget* m_details;
    QLabel* m_plan;
    QLabel* m_expiry;
    QLabel* m_traffic;
    LinearProgress* m_usageBar;
    QLabel* m_used;
    QLabel* m_commission;
};

// What a figure holds: a figure of ours shows whole; a text from the service (an expiry) stays on
// one line and gives way to the room the others leave it.
enum class FigureText { own, outside };

// A centred figure under its caption, as the subscription and invite cards show theirs; returns
// the figure's label.
QLabel* addFigureColumn(QHBoxLayout* row, const QString& caption, TextColor color, QWidget* parent,
                        FigureText text = FigureText::own);

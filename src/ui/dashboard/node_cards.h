#pragma once

#include "api/records/node.h"
#include "ui/common/modern_card.h"
#include "ui/common/theme.h"

#include <QList>

#include <functional>

class AppState;
class Button;
class QLabel;
class RowButton;

// A dashboard card listing a few nodes under a header; a tap on a node's row asks to connect to
// it. The rows are rebuilt only when what they show changes.
class NodeRowsCard : public ModernCard {
    Q_OBJECT
public:
    struct Listing {
        QString symbol;
        QString title;
        TextColor color;
        // The nodes to list, read at every refresh; the first `limit` are shown.
        std::function<QList<Node>()> nodes;
        qsizetype limit;
        // Without nodes the card is absent, else only its header remains.
        bool hiddenWhenEmpty;
    };

    NodeRowsCard(Listing listing, QWidget* parent = nullptr);

    void refresh();
    const QList<Node>& shownNodes() const { return m_shown; }
    QList<RowButton*> rows() const { return m_rows; }

signals:
    void nodeChosen(const Node& node);

protected:
    // The flag and the name over the online light and, when asked, the delay.
    static void addNodeFace(RowButton* row, const Node& node, bool withDelay);
    // A node's face with a chevron.
    virtual RowButton* makeRow(const Node& node);

private:
    Listing m_listing;
    QList<Node> m_shown;
    QList<RowButton*> m_rows;
};

// Up to five recently connected nodes, most recent first; absent when there are none.
NodeRowsCard* makeRecentNodesCard(AppState& appState, QWidget* parent);
// The first five nodes of the node list; only the header with an empty list.
NodeRowsCard* makeNodeListCard(AppState& appState, QWidget* parent);

// Up to three favourite nodes, each with a star that removes it from the favourites; absent
// without favourites.
class FavoritesCard : public NodeRowsCard {
    Q_OBJECT
public:
    explicit FavoritesCard(AppState& appState, QWidget* parent = nullptr);

protected:
    RowButton* makeRow(const Node& node) override;

private:
    AppState& m_appState;
};

// The invitation code with copy buttons, the expiry and the commission; absent without a profile
// or an invitation code.
class InviteCard : public ModernCard {
    Q_OBJECT
public:
    explicit InviteCard(AppState& appState, QWidget* parent = nullptr);
    void refresh();

    QLabel* code() const { return m_code; }
    QLabel* expiry() const { return m_expiry; }
    QLabel* commission() const { return m_commission; }
    Button* copyButton() const { return m_copy; }
    Button* copyLinkButton() const { return m_copyLink; }

private:
    void copyCode();

    AppState& m_appState;
    QLabel* m_code;
    QLabel* m_expiry;
    QLabel* m_commission;
    Button* m_copy;
    Button* m_copyLink;
};

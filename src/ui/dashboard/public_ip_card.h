#pragma once

#include "app/public_ip_info.h"
#include "ui/common/modern_card.h"

#include <optional>

class IconButton;
class QLabel;
class QStackedWidget;

// The card of the machine's public address: the address and its place, a progress row while the
// first lookup runs, "--" when nothing is known, and a note while connected that the address is
// the proxy's exit.
class PublicIPCard : public ModernCard {
    Q_OBJECT
public:
    explicit PublicIPCard(QWidget* parent = nullptr);

    void display(const std::optional<PublicIPInfo>& info, bool isFetching, bool connected);

    IconButton* refreshButton() const { return m_refresh; }
    QLabel* address() const { return m_address; }
    QLabel* location() const { return m_location; }
    QLabel* footer() const { return m_footer; }
    // The body now shown: the address, the progress row or the placeholder.
    QWidget* currentBody() const;

signals:
    void refreshRequested();

private:
    IconButton* m_refresh;
    QStackedWidget* m_body;
    QWidget* m_addressBody;
    QLabel* m_address;
    QLabel* m_location;
    QWidget* m_fetchingBody;
    QLabel* m_unknownBody;
    QLabel* m_footer;
};

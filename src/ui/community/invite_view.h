#pragma once

#include "api/records/community_records.h"
#include "loading_sheet.h"

#include <optional>

class ApiService;
class Button;
class ScrollColumn;

// The invitation sheet: the invite code with a copy button, the number of people invited, the
// commission earned and not yet settled, the first invited users and every commission record.
// It loads on each showing and on retry; a failed load keeps the earlier answer in memory
// behind the error.
class InviteView : public LoadingSheet {
    Q_OBJECT
public:
    struct Services {
        ApiService& api;
    };

    // The invited users listed, at most.
    static constexpr int shownInvitedUsers = 10;

    InviteView(Services services, QWidget* parent);

    const std::optional<InviteResponse>& response() const { return m_resp; }
    bool isCopied() const { return m_copied; }

private:
    void load() override;
    QWidget* loadedPage() override;
    void copyText(const QString& text);
    void rebuildContent();
    QWidget* inviteCodeCard();
    QWidget* statsRow();
    QWidget* invitedCard(const QList<InvitedUser>& users);
    QWidget* commissionCard(const QList<CommissionRecord>& records);

    Services m_services;
    std::optional<InviteResponse> m_resp;
    bool m_copied = false;

    ScrollColumn* m_content;
    Button* m_copy = nullptr;
};

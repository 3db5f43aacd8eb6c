#pragma once

#include "api/records/community_records.h"
#include "loading_sheet.h"

#include <QMessageBox>
#include <QPointer>

#include <optional>

class ApiService;
class Button;
class QLabel;
class QPlainTextEdit;
class ScrollColumn;

// The withdrawal sheet: the commission waiting to be paid out, a request with a free-text note
// (the service gathers all pending commission into it), and the earlier requests. The result of a
// request shows in an alert whose "OK" loads the sheet again.
class WithdrawView : public LoadingSheet {
    Q_OBJECT
public:
    struct Services {
        ApiService& api;
    };

    // The smallest pending commission a request can be made for.
    static constexpr double minimumWithdrawal = 10.0;
    // Whether the submit button takes a press: compared on the unrounded amount.
    static bool canSubmit(double pending, bool submitting);

    WithdrawView(Services services, QWidget* parent);

    double pending() const { return m_pending; }
    const QList<WithdrawRecord>& withdraws() const { return m_withdraws; }
    bool isSubmitting() const { return m_submitting; }
    const std::optional<QString>& resultMessage() const { return m_resultMsg; }
    QMessageBox* resultAlert() const { return m_resultAlert; }
    QPlainTextEdit* noteEditor() const { return m_note; }
    Button* submitButton() const { return m_submit; }

private:
    void load() override;
    QWidget* loadedPage() override;
    void submit();
    void finishSubmit(const std::optional<QString>& message, const QString& sentNote, bool accepted);
    void refresh();
    void rebuildRecords();
    QWidget* balanceCard();
    QWidget* withdrawForm();

    Services m_services;
    double m_pending = 0;
    QList<WithdrawRecord> m_withdraws;
    bool m_submitting = false;
    std::optional<QString> m_resultMsg;

    ScrollColumn* m_content;
    QLabel* m_balance = nullptr;
    QPlainTextEdit* m_note = nullptr;
    Button* m_submit = nullptr;
    QWidget* m_records = nullptr;
    QPointer<QMessageBox> m_resultAlert;
};

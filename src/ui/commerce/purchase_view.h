#pragma once

#include "api/api_service.h"
#include "commerce_services.h"
#include "payment_sheet.h"
#include "ui/common/sheet_frame.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>

#include <optional>

class Button;
class LoadStateView;
class OrderPoll;
class PlanRow;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class QrImageFetcher;

// The sheet in which a signed-in user buys a plan: the price list grouped by edition, a coupon
// code to check, and a tap on a plan that creates the order and opens the payment sheet, whose
// order is then polled until the service reports it paid or closed; a success alert ends the
// purchase. Everything it holds dies with it, its requests included: it talks through a client
// of its own.
//
// Each plan selection is numbered; an answer (order, WeChat code, image) for an earlier
// selection is dropped, and a status answer applies only to the order on display.
class PurchaseView : public FramedSheet {
    Q_OBJECT
public:
    PurchaseView(const CommerceServices& services, QWidget* parent);
    ~PurchaseView() override;

    // State, for tests.
    const QList<Plan>& plans() const { return m_plans; }
    bool isLoading() const { return m_loading; }
    const std::optional<QString>& loadError() const { return m_loadError; }
    bool isCouponShown() const { return m_couponShown; }
    const std::optional<CouponInfo>& couponInfo() const { return m_couponInfo; }
    bool isCouponValidating() const { return m_couponValidating; }
    const std::optional<QString>& couponMsg() const { return m_couponMsg; }
    const PaymentState& payment() const { return m_pay; }
    bool isPaySheetShown() const { return m_showPay; }
    const std::optional<QString>& successPlan() const { return m_successPlan; }
    bool isSuccessShown() const { return m_showSuccess; }
    bool isPolling() const;
    // The closed-order message, on the sheet itself once the payment sheet has gone.
    const std::optional<QString>& orderNote() const { return m_orderNoteText; }

    // Parts, for tests.
    LoadStateView* states() const { return m_states; }
    Button* couponToggle() const { return m_couponToggle; }
    QLineEdit* couponField() const { return m_couponField; }
    Button* validateButton() const { return m_validate; }
    QLabel* couponBadge() const { return m_couponBadge; }
    QLabel* couponNote() const { return m_couponNote; }
    QLabel* orderNoteLabel() const { return m_orderNote; }
    QList<QLabel*> groupTitles() const { return m_groupTitles; }
    QList<PlanRow*> planRows() const { return m_planRows; }
    PaymentSheet* paymentSheet() const { return m_paySheet; }
    QMessageBox* successAlert() const { return m_successAlert; }

    void selectPlan(const Plan& plan);
    void chooseWay(PaymentMethod method);
    void createWxQr();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildContent();
    void loadPlans();
    void validateCoupon();
    void rebuildPlanList();
    void refreshCoupon();

    void finishCouponCheck();
    void applyOrder(const OrderCreateResult& result);
    void failPayment(quint64 selection);
    void preloadWxImage(const QString& outTradeNo);
    void settleWxImage(const ApiService::QuibexQr& answer);
    void startPolling();
    void stopPolling();
    void applyStatus(qint64 orderId, const OrderStatusResult& result);
    void openPaySheet();
    void closePaySheet();
    void showOrderNote(const std::optional<QString>& note);
    void refreshPaySheet();
    void presentSuccess();
    bool isCurrent(quint64 selection) const { return selection == m_selection; }

    CommerceServices m_services;
    ApiService* m_api;
    QrImageFetcher* m_images;
    OrderPoll* m_poll;

    QList<Plan> m_plans;
    bool m_loading = true;
    std::optional<QString> m_loadError;
    bool m_couponShown = false;
    std::optional<CouponInfo> m_couponInfo;
    bool m_couponValidating = false;
    std::optional<QString> m_couponMsg;
    PaymentState m_pay;
    bool m_showPay = false;
    std::optional<QString> m_successPlan;
    bool m_showSuccess = false;
    quint64 m_selection = 0;
    bool m_loadedOnce = false;

    LoadStateView* m_states = nullptr;
    QWidget* m_content = nullptr;
    Button* m_couponToggle = nullptr;
    QWidget* m_couponSection = nullptr;
    QLineEdit* m_couponField = nullptr;
    Button* m_validate = nullptr;
    QWidget* m_couponAccepted = nullptr;
    QLabel* m_couponBadge = nullptr;
    QLabel* m_couponNote = nullptr;
    QLabel* m_orderNote = nullptr;
    std::optional<QString> m_orderNoteText;
    QVBoxLayout* m_planColumn = nullptr;
    QList<QLabel*> m_groupTitles;
    QList<PlanRow*> m_planRows;
    QPointer<PaymentSheet> m_paySheet;
    QPointer<QMessageBox> m_successAlert;
};

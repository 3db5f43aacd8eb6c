#pragma once

#include "api/records/plan_records.h"
#include "payment_method.h"
#include "ui/common/sheet_frame.h"

#include <QImage>
#include <QList>
#include <QString>

#include <optional>

class Button;
class PageSwitch;
class QLabel;
class QStackedWidget;
class QrView;
class SelectableText;
class Spinner;
class Theme;
class WayButton;

// What the payment sheet shows; the purchase screen owns it and tells the sheet of each change.
struct PaymentState {
    std::optional<Plan> activePlan;
    std::optional<OrderCreateResult> payOrder; // absent while the order is being created
    PaymentMethod payMethod = PaymentMethod::alipay;
    std::optional<WxCode> quibexQr;
    QImage quibexQrImage;
    QImage preloadedWxImage;
    bool paying = false;
    std::optional<QString> payError;
};

// The payment sheet: while the order is being created, the plan and a progress line (or, when
// the creation failed, the reason); then the
// amount, the three ways (Alipay, WeChat Pay, USDT on TRC20) and the chosen way's QR code or
// transfer details. It only shows the state and reports the user's choices.
class PaymentSheet : public FramedSheet {
    Q_OBJECT
public:
    PaymentSheet(Theme& theme, QWidget* parent);

    void showState(const PaymentState& state);

    // For tests and screenshots.
    QStackedWidget* body() const { return m_body; }
    PageSwitch* wayContent() const { return m_wayContent; }
    QList<WayButton*> wayButtons() const { return m_ways; }
    QLabel* amount() const { return m_amount; }
    QLabel* listPrice() const { return m_listPrice; }
    QLabel* orderError() const { return m_orderError; }
    QLabel* creatingError() const { return m_creatingError; }
    QWidget* creatingProgress() const { return m_creatingProgress; }
    QrView* alipayQr() const { return m_alipayQr; }
    QrView* wxQr() const { return m_wxQr; }
    QrView* usdtQr() const { return m_usdtQr; }
    PageSwitch* wxStates() const { return m_wxStates; }
    Button* generateWx() const { return m_generateWx; }
    Button* copyAddress() const { return m_copyAddress; }
    QLabel* transferLine() const { return m_transferLine; }
    QLabel* usdtAmount() const { return m_usdtAmount; }

signals:
    void wayChosen(PaymentMethod method);
    void generateWxRequested();

private:
    QWidget* buildCreatingPage();
    QWidget* buildOrderPage(Theme& theme);
    QWidget* buildAlipayPage();
    QWidget* buildWxPage();
    QWidget* buildUsdtPage();

    QStackedWidget* m_body = nullptr;
    QLabel* m_planTitle = nullptr;
    QLabel* m_planPrice = nullptr;
    QWidget* m_creatingProgress = nullptr;
    QLabel* m_creatingError = nullptr;

    QLabel* m_amount = nullptr;
    QLabel* m_listPrice = nullptr;
    QList<WayButton*> m_ways;
    QLabel* m_orderError = nullptr;
    PageSwitch* m_wayContent = nullptr;
    Spinner* m_paying = nullptr;

    PageSwitch* m_alipayStates = nullptr;
    QrView* m_alipayQr = nullptr;
    PageSwitch* m_wxStates = nullptr;
    QrView* m_wxQr = nullptr;
    Button* m_generateWx = nullptr;
    QLabel* m_transferLine = nullptr;
    QWidget* m_usdtQrBlock = nullptr;
    QrView* m_usdtQr = nullptr;
    SelectableText* m_usdtAddress = nullptr;
    QLabel* m_usdtAmount = nullptr;
    Button* m_copyAddress = nullptr;
    QString m_addressToCopy;
};

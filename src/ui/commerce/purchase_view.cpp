#include "purchase_view.h"

#include "app/app_events.h"
#include "commerce_widgets.h"
#include "order_poll.h"
#include "payment_rules.h"
#include "plan_rules.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "qr_image.h"
#include "qr_image_fetcher.h"
#include "ui/common/button.h"
#include "ui/common/load_state_view.h"
#include "ui/common/one_line_text.h"
#include "ui/common/plain_alert.h"
#include "ui/common/scroll_column.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
// The service's name of WeChat Pay.
const QString wxpay = QStringLiteral("wxpay");

QString networkError() { return i18n::tr(QStringLiteral("网络错误，请重试")); }

// The image at the code's address when the code is a web address, else none.
QCoro::Task<QImage> fetchCodeImage(QrImageFetcher* images, QString code)
{
    const QUrl url(code);
    if (!QrImageFetcher::isWebUrl(url))
        co_return QImage();
    co_return co_await images->fetch(url);
}
} // namespace

PurchaseView::PurchaseView(const CommerceServices& services, QWidget* parent)
    : FramedSheet(i18n::tr(QStringLiteral("购买套餐")), {520, 600}, parent)
    , m_services(services)
    , m_api(new ApiService(services.api, this))
    , m_images(new QrImageFetcher(this))
    , m_poll(
          new OrderPoll(*m_api, services.makePollBeat ? services.makePollBeat() : std::make_unique<TimerBeat>(), this))
{
    m_states = new LoadStateView(this);
    m_content = buildContent();
    m_states->addPage(m_content);
    connect(m_states, &LoadStateView::retryRequested, this, &PurchaseView::loadPlans);
    body()->addWidget(m_states);
    connect(m_poll, &OrderPoll::answered, this, &PurchaseView::applyStatus);
    refreshCoupon();
}

PurchaseView::~PurchaseView() = default;

QWidget* PurchaseView::buildContent()
{
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Spacing::m);

    // What became of the last order, said here because its payment sheet has closed.
    m_orderNote = makeLabel(QString(), TextStyle::Callout, TextColor::Red, content);
    m_orderNote->setObjectName(QStringLiteral("orderNote"));
    m_orderNote->setWordWrap(true);
    m_orderNote->setContentsMargins(Spacing::l, Spacing::s, Spacing::l, 0);
    m_orderNote->hide();
    column->addWidget(m_orderNote);

    auto* toggleRow = new QHBoxLayout;
    toggleRow->setContentsMargins(Spacing::l, Spacing::s, Spacing::l, 0);
    m_couponToggle = new Button(i18n::tr(QStringLiteral("有优惠码")), Button::Style::Link, content);
    m_couponToggle->setSymbol(QStringLiteral("tag"));
    connect(m_couponToggle, &QPushButton::clicked, this, [this] {
        m_couponShown = !m_couponShown;
        refreshCoupon();
    });
    toggleRow->addWidget(m_couponToggle);
    toggleRow->addStretch();
    column->addLayout(toggleRow);

    m_couponSection = new QWidget(content);
    auto* section = new QVBoxLayout(m_couponSection);
    section->setContentsMargins(Spacing::l, 0, Spacing::l, Spacing::xs);
    section->setSpacing(6);
    auto* entry = new QHBoxLayout;
    entry->setSpacing(Spacing::s);
    m_couponField = makeTextField(m_couponSection);
    m_couponField->setPlaceholderText(i18n::tr(QStringLiteral("输入优惠码")));
    connect(m_couponField, &QLineEdit::textChanged, this, &PurchaseView::refreshCoupon);
    m_validate = new Button(QString(), Button::Style::Bordered, m_couponSection);
    connect(m_validate, &QPushButton::clicked, this, &PurchaseView::validateCoupon);
    entry->addWidget(m_couponField, 1);
    entry->addWidget(m_validate);
    section->addLayout(entry);
    m_couponAccepted = new QWidget(m_couponSection);
    auto* accepted = new QHBoxLayout(m_couponAccepted);
    accepted->setContentsMargins(0, 0, 0, 0);
    accepted->setSpacing(6);
    m_couponBadge = makeCapsule(QString(), m_services.theme.palette().green, TextStyle::Caption, m_couponAccepted);
    accepted->addWidget(m_couponBadge);
    accepted->addWidget(
        makeLabel(i18n::tr(QStringLiteral("优惠码已生效")), TextStyle::Caption, TextColor::Green, m_couponAccepted));
    accepted->addStretch();
    section->addWidget(m_couponAccepted);
    m_couponNote = makeLabel(QString(), TextStyle::Caption, TextColor::Red, m_couponSection);
    m_couponNote->setWordWrap(true);
    section->addWidget(m_couponNote);
    column->addWidget(m_couponSection);

    auto* scroll = new ScrollColumn(14, QMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l + Spacing::s), content);
    m_planColumn = scroll->column();
    m_planColumn->addStretch();
    column->addWidget(scroll, 1);
    return content;
}

void PurchaseView::showEvent(QShowEvent* event)
{
    SheetDialog::showEvent(event);
    // A window coming back from being minimised is no new appearance of the sheet.
    if (!event->spontaneous())
        loadPlans();
}

void PurchaseView::hideEvent(QHideEvent* event)
{
    // Minimised (a spontaneous hide), the sheet goes on waiting for the payment the user may be
    // making in another application; only closing it ends the poll.
    if (!event->spontaneous())
        stopPolling();
    SheetDialog::hideEvent(event);
}

bool PurchaseView::isPolling() const { return m_poll->isRunning(); }

void PurchaseView::loadPlans()
{
    m_loading = true;
    m_loadError.reset();
    m_states->showLoading();
    whileAlive(
        this, m_api->fetchPlans(),
        [this](const QList<Plan>& plans) {
            m_loading = false;
            m_plans = plans;
            rebuildPlanList();
            m_states->showPage(m_content);
        },
        // Any failure reads the same; the earlier list stays.
        [this](const std::exception&) {
            m_loading = false;
            m_loadError = i18n::tr(QStringLiteral("加载失败，请重试"));
            m_states->showError(*m_loadError);
        });
}

void PurchaseView::rebuildPlanList()
{
    for (auto* widget : std::as_const(m_groupTitles))
        widget->deleteLater();
    for (auto* widget : std::as_const(m_planRows))
        widget->deleteLater();
    m_groupTitles.clear();
    m_planRows.clear();
    while (m_planColumn->count() > 0)
        delete m_planColumn->takeAt(0);

    auto* holder = m_planColumn->parentWidget();
    for (const auto& group : PlanRules::groupPlans(m_plans)) {
        auto* section = new QVBoxLayout;
        section->setSpacing(Spacing::s);
        auto* title = makeOneLineLabel(group.group, TextStyle::Headline, TextColor::Primary, holder);
        title->setContentsMargins(Spacing::xxs, 0, Spacing::xxs, 0);
        section->addWidget(title);
        m_groupTitles.append(title);
        for (const auto& plan : group.plans) {
            auto* row = new PlanRow(plan, m_services.theme, holder);
            connect(row, &QAbstractButton::clicked, this, [this, plan] { selectPlan(plan); });
            section->addWidget(row);
            m_planRows.append(row);
        }
        m_planColumn->addLayout(section);
    }
    m_planColumn->addStretch();
}

void PurchaseView::refreshCoupon()
{
    m_couponSection->setVisible(m_couponShown);
    m_validate->setText(i18n::tr(m_couponValidating ? QStringLiteral("验证中...") : QStringLiteral("验证")));
    m_validate->setEnabled(!m_couponField->text().trimmed().isEmpty() && !m_couponValidating);
    m_couponAccepted->setVisible(m_couponInfo.has_value());
    if (m_couponInfo)
        m_couponBadge->setText(PaymentRules::couponBadge(*m_couponInfo));
    m_couponNote->setVisible(!m_couponInfo && m_couponMsg);
    m_couponNote->setText(m_couponMsg.value_or(QString()));
}

void PurchaseView::validateCoupon()
{
    const auto code = m_couponField->text().trimmed();
    if (code.isEmpty())
        return;
    m_couponValidating = true;
    m_couponMsg.reset();
    m_couponInfo.reset();
    refreshCoupon();
    whileAlive(
        this, m_api->validateCoupon(code, std::nullopt),
        [this](const ApiService::CouponCheck& check) {
            if (check.valid)
                m_couponInfo = check.coupon;
            else
                m_couponMsg = check.message;
            finishCouponCheck();
        },
        [this](const std::exception&) {
            m_couponMsg = networkError();
            finishCouponCheck();
        });
}

void PurchaseView::finishCouponCheck()
{
    m_couponValidating = false;
    refreshCoupon();
}

void PurchaseView::selectPlan(const Plan& plan)
{
    const auto selection = ++m_selection;
    stopPolling();
    showOrderNote(std::nullopt);
    m_pay.paying = true;
    m_pay.payError.reset();
    m_pay.activePlan = plan;
    m_pay.payOrder.reset();
    m_showPay = true;
    openPaySheet();

    const auto typed = m_couponField->text().trimmed();
    const auto coupon = typed.isEmpty() ? std::nullopt : std::optional<QString>(typed);
    whileAlive(
        this, m_api->createOrder(plan.name, coupon),
        [this, selection](const OrderCreateResult& result) {
            if (!isCurrent(selection))
                return;
            m_pay.paying = false;
            applyOrder(result);
        },
        [this, selection](const std::exception&) { failPayment(selection); });
}

void PurchaseView::failPayment(quint64 selection)
{
    if (!isCurrent(selection))
        return;
    m_pay.paying = false;
    m_pay.payError = networkError();
    refreshPaySheet();
}

void PurchaseView::applyOrder(const OrderCreateResult& result)
{
    switch (PaymentRules::classifyOrder(result)) {
    case PaymentRules::OrderOutcome::activated:
        closePaySheet();
        m_successPlan = i18n::tr(QStringLiteral("免费套餐已开通"));
        presentSuccess();
        return;
    case PaymentRules::OrderOutcome::refused:
        m_pay.payError = result.msg ? *result.msg : i18n::tr(QStringLiteral("下单失败"));
        refreshPaySheet();
        return;
    case PaymentRules::OrderOutcome::payable:
        m_pay.payOrder = result;
        m_pay.payMethod = PaymentMethod::alipay;
        m_pay.quibexQr.reset();
        m_pay.quibexQrImage = {};
        m_pay.preloadedWxImage = {};
        if (m_showPay)
            startPolling();
        if (result.out_trade_no)
            preloadWxImage(*result.out_trade_no);
        refreshPaySheet();
        return;
    }
}

void PurchaseView::preloadWxImage(const QString& outTradeNo)
{
    // A failed preload is silent: the sheet asks again on demand.
    whileAlive(this, m_api->createQuibexQr(outTradeNo, wxpay),
               [this, selection = m_selection](const ApiService::QuibexQr& answer) {
                   if (!isCurrent(selection))
                       return;
                   const auto image = QrImage::fromBase64(answer.qrB64.value_or(QString()));
                   if (!image.isNull())
                       m_pay.preloadedWxImage = image;
               });
}

void PurchaseView::chooseWay(PaymentMethod method)
{
    const bool changed = method != m_pay.payMethod;
    m_pay.payMethod = method;
    m_pay.quibexQr.reset();
    m_pay.payError.reset();
    if (changed && method == PaymentMethod::wechat) {
        if (!m_pay.preloadedWxImage.isNull()) {
            m_pay.quibexQr = PreloadedWxCode{};
            m_pay.quibexQrImage = m_pay.preloadedWxImage;
        } else if (!m_pay.paying && m_pay.payOrder && m_pay.payOrder->out_trade_no) {
            createWxQr();
            return;
        }
    }
    refreshPaySheet();
}

void PurchaseView::createWxQr()
{
    if (!m_pay.payOrder || !m_pay.payOrder->out_trade_no)
        return;
    m_pay.paying = true;
    m_pay.payError.reset();
    refreshPaySheet();
    whileAlive(
        this, m_api->createQuibexQr(*m_pay.payOrder->out_trade_no, wxpay),
        [this, selection = m_selection](const ApiService::QuibexQr& answer) {
            if (!isCurrent(selection))
                return;
            m_pay.paying = false;
            if (answer.qrcode)
                m_pay.quibexQr = *answer.qrcode;
            else
                m_pay.quibexQr.reset();
            settleWxImage(answer);
        },
        [this, selection = m_selection](const std::exception&) { failPayment(selection); });
}

void PurchaseView::settleWxImage(const ApiService::QuibexQr& answer)
{
    m_pay.quibexQrImage = QrImage::fromBase64(answer.qrB64.value_or(QString()));
    refreshPaySheet();
    if (!m_pay.quibexQrImage.isNull() || !answer.qrcode)
        return;
    // A code without an image: the image at its address when it is a web address, else (or
    // when that fails) the code drawn here, so that the sheet never waits for nothing.
    const auto code = *answer.qrcode;
    whileAlive(this, fetchCodeImage(m_images, code), [this, selection = m_selection, code](const QImage& image) {
        if (!isCurrent(selection) || m_pay.quibexQr != WxCode(code))
            return;
        m_pay.quibexQrImage = image.isNull() ? QrImage::encode(code) : image;
        refreshPaySheet();
    });
}

void PurchaseView::startPolling()
{
    stopPolling();
    if (!m_pay.payOrder || !m_pay.payOrder->order_id)
        return;
    m_poll->start(*m_pay.payOrder->order_id);
}

void PurchaseView::stopPolling() { m_poll->stop(); }

void PurchaseView::applyStatus(qint64 orderId, const OrderStatusResult& result)
{
    // Only the order on display: an answer for an earlier one never ends the current purchase.
    if (!m_pay.payOrder || m_pay.payOrder->order_id != orderId)
        return;
    switch (PaymentRules::classifyStatus(result.status)) {
    case PaymentRules::StatusVerdict::paid:
        stopPolling();
        closePaySheet();
        m_successPlan = result.plan_name.value_or(i18n::tr(QStringLiteral("套餐")));
        presentSuccess();
        return;
    case PaymentRules::StatusVerdict::closed:
        stopPolling();
        m_pay.payError = i18n::tr(QStringLiteral("订单已关闭"));
        closePaySheet();
        showOrderNote(m_pay.payError);
        return;
    case PaymentRules::StatusVerdict::pending:
        return;
    }
}

void PurchaseView::openPaySheet()
{
    if (!m_paySheet) {
        m_paySheet = new PaymentSheet(m_services.theme, this);
        connect(m_paySheet, &PaymentSheet::wayChosen, this, &PurchaseView::chooseWay);
        connect(m_paySheet, &PaymentSheet::generateWxRequested, this, &PurchaseView::createWxQr);
        // Closed by its button, by the platform or by the poll: the poll ends with it.
        connect(m_paySheet, &QDialog::finished, this, [this] {
            // Closed by the user with an order on display: it may have been paid seconds ago, and
            // the plan shows without waiting for the next profile load.
            if (m_showPay && m_pay.payOrder)
                emit m_services.notifier.refreshProfile();
            m_showPay = false;
            stopPolling();
        });
        m_paySheet->open();
    }
    refreshPaySheet();
    startPolling();
}

void PurchaseView::closePaySheet()
{
    m_showPay = false;
    if (m_paySheet)
        m_paySheet->close();
}

void PurchaseView::showOrderNote(const std::optional<QString>& note)
{
    m_orderNoteText = note;
    m_orderNote->setText(note.value_or(QString()));
    m_orderNote->setVisible(note.has_value());
}

void PurchaseView::refreshPaySheet()
{
    if (m_paySheet)
        m_paySheet->showState(m_pay);
}

void PurchaseView::presentSuccess()
{
    m_showSuccess = true;
    if (m_successAlert)
        return;
    constexpr int textWidth = 260;
    auto* alert = new QMessageBox(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setStyleSheet(QStringLiteral("QLabel { min-width: %1px; }").arg(textWidth));
    alert->setWindowTitle(i18n::tr(QStringLiteral("开通成功")));
    QString planLine;
    if (m_successPlan) {
        // The plan's name as the service gives it: on the line, cut to the alert's width.
        planLine = i18n::tr(QStringLiteral("已开通套餐")) + QStringLiteral("：");
        const auto metrics = alert->fontMetrics();
        planLine += elidedLine(metrics, *m_successPlan, textWidth - metrics.horizontalAdvance(planLine));
    }
    setPlainTexts(alert, i18n::tr(QStringLiteral("开通成功")), planLine);
    alert->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    connect(alert, &QDialog::finished, this, [this] {
        m_showSuccess = false;
        close();
        emit m_services.notifier.refreshProfile();
    });
    m_successAlert = alert;
    alert->open();
}

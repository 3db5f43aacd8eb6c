#include "payment_sheet.h"

#include "commerce_widgets.h"
#include "copy_feedback.h"
#include "payment_rules.h"
#include "platform/text_table.h"
#include "qr_image.h"
#include "ui/common/button.h"
#include "ui/common/scroll_column.h"
#include "ui/common/spinner.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

enum BodyPage { creatingPage, orderPage };
enum WayPage { alipayPage, wxPage, usdtPage };
enum AlipayState { alipayQrShown, alipayFetching };
enum WxState { wxQrShown, wxFetching, wxGenerate };

// An amount the service sends: one line, so that a number of hundreds of digits cannot widen the
// sheet.
QLabel* bigLabel(int pixelSize, QWidget* parent)
{
    auto* label = makeOneLineLabel(QString(), TextStyle::LargeTitle, QFont::Bold, TextColor::Red, parent);
    auto font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    return label;
}

QLabel* caption(const QString& text, TextColor color = TextColor::Secondary)
{
    auto* label = makeLabel(text, TextStyle::Caption, color);
    label->setWordWrap(true);
    return label;
}

// A caption over the full width, its lines centred.
QLabel* centredCaption(const QString& text)
{
    auto* label = caption(text);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

// A QR image above its caption, centred.
QWidget* qrBlock(QrView* view, const QString& text, int spacing, QWidget* parent)
{
    auto* block = new QWidget(parent);
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addWidget(view, 0, Qt::AlignHCenter);
    column->addWidget(centredCaption(text));
    return block;
}

QWidget* column(QWidget* parent, int spacing, int padding, QVBoxLayout*& layout)
{
    auto* page = new QWidget(parent);
    layout = new QVBoxLayout(page);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    return page;
}

void setOptionalText(QLabel* label, const std::optional<QString>& text)
{
    label->setVisible(text.has_value());
    label->setText(text.value_or(QString()));
}

} // namespace

PaymentSheet::PaymentSheet(Theme& theme, QWidget* parent)
    : FramedSheet(i18n::tr(QStringLiteral("支付订单")), {460, 520}, parent)
{
    m_body = new QStackedWidget(this);
    m_body->addWidget(buildCreatingPage());
    m_body->addWidget(buildOrderPage(theme));
    FramedSheet::body()->addWidget(m_body);
}

QWidget* PaymentSheet::buildCreatingPage()
{
    QVBoxLayout* layout = nullptr;
    auto* page = column(this, 16, 24, layout);
    m_planTitle = makeOneLineLabel(QString(), TextStyle::Headline, TextColor::Primary, page);
    m_planPrice = bigLabel(30, page);
    auto* plan = new QVBoxLayout;
    plan->setSpacing(2);
    plan->addWidget(m_planTitle);
    plan->addWidget(m_planPrice);
    layout->addLayout(plan);

    m_creatingProgress = new QWidget(page);
    auto* progress = new QHBoxLayout(m_creatingProgress);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(10);
    progress->addStretch();
    progress->addWidget(new Spinner(14, m_creatingProgress));
    progress->addWidget(makeLabel(i18n::tr(QStringLiteral("正在创建订单...")), TextStyle::Callout, TextColor::Secondary,
                                  m_creatingProgress));
    progress->addStretch();
    layout->addWidget(m_creatingProgress);
    m_creatingError = caption(QString(), TextColor::Red);
    layout->addWidget(m_creatingError);
    layout->addStretch();
    return page;
}

QWidget* PaymentSheet::buildOrderPage(Theme& theme)
{
    // Scrolls when a way's content is taller than the sheet (the USDT way with its code).
    auto* scroll = new ScrollColumn(14, QMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l), this);
    auto* layout = scroll->column();
    auto* page = scroll->content();
    // The amount, its caption and the list price are one block, close together: spaced like the
    // rows, the first sheet (the one with a list price) would not fit its room.
    auto* amountBlock = new QVBoxLayout;
    amountBlock->setSpacing(2);
    amountBlock->addWidget(caption(i18n::tr(QStringLiteral("应付金额"))));
    m_amount = bigLabel(34, page);
    amountBlock->addWidget(m_amount);
    m_listPrice = makeOneLineLabel(QString(), TextStyle::Caption, TextColor::Secondary, page);
    auto font = m_listPrice->font();
    font.setStrikeOut(true);
    m_listPrice->setFont(font);
    amountBlock->addWidget(m_listPrice);
    layout->addLayout(amountBlock);

    auto* ways = new QHBoxLayout;
    ways->setSpacing(Spacing::s);
    const struct {
        PaymentMethod method;
        const char* name;
        QString title;
        const char* symbol;
    } table[] = {
        {PaymentMethod::alipay, "alipay", i18n::tr(QStringLiteral("支付宝")), "creditcard.fill"},
        {PaymentMethod::wechat, "wxpay", i18n::tr(QStringLiteral("微信支付")), "message.fill"},
        {PaymentMethod::usdt, "usdt", QStringLiteral("USDT"), "bitcoinsign.circle.fill"},
    };
    for (const auto& way : table) {
        auto* button = new WayButton(way.method, way.title, QLatin1String(way.symbol), theme, page);
        button->setObjectName(QLatin1String(way.name));
        connect(button, &QAbstractButton::clicked, this, [this, method = way.method] { emit wayChosen(method); });
        m_ways.append(button);
        ways->addWidget(button, 1);
    }
    layout->addLayout(ways);
    m_orderError = caption(QString(), TextColor::Red);
    layout->addWidget(m_orderError);

    m_wayContent = new PageSwitch(page);
    m_wayContent->addPage(buildAlipayPage());
    m_wayContent->addPage(buildWxPage());
    m_wayContent->addPage(buildUsdtPage());
    layout->addWidget(m_wayContent);
    m_paying = new Spinner(20, page);
    layout->addWidget(m_paying, 0, Qt::AlignHCenter);
    layout->addStretch();
    return scroll;
}

QWidget* PaymentSheet::buildAlipayPage()
{
    m_alipayStates = new PageSwitch(this);
    m_alipayQr = new QrView;
    m_alipayStates->addPage(qrBlock(m_alipayQr, i18n::tr(QStringLiteral("请使用支付宝扫码支付")), 8, m_alipayStates));
    m_alipayStates->addPage(centredCaption(i18n::tr(QStringLiteral("正在获取支付二维码..."))));
    return m_alipayStates;
}

QWidget* PaymentSheet::buildWxPage()
{
    m_wxStates = new PageSwitch(this);
    m_wxQr = new QrView;
    // Shown as it stands: the text table has no entry for it.
    m_wxStates->addPage(qrBlock(m_wxQr, QStringLiteral("请使用微信扫码，扫码后按提示完成支付"), 8, m_wxStates));

    auto* fetching = new QWidget(m_wxStates);
    auto* fetchingRow = new QHBoxLayout(fetching);
    fetchingRow->addStretch();
    fetchingRow->addWidget(new Spinner(16, fetching));
    fetchingRow->addWidget(makeLabel(i18n::tr(QStringLiteral("正在获取支付二维码...")), TextStyle::Caption,
                                     TextColor::Secondary, fetching));
    fetchingRow->addStretch();
    m_wxStates->addPage(fetching);

    QVBoxLayout* layout = nullptr;
    auto* generate = column(m_wxStates, 10, 0, layout);
    m_generateWx = new Button(i18n::tr(QStringLiteral("生成微信收款码")), Button::Style::Bordered, generate);
    m_generateWx->setSymbol(QStringLiteral("qrcode"));
    connect(m_generateWx, &QPushButton::clicked, this, &PaymentSheet::generateWxRequested);
    layout->addWidget(m_generateWx, 0, Qt::AlignHCenter);
    m_transferLine = centredCaption(QString());
    layout->addWidget(m_transferLine);
    layout->addStretch();
    m_wxStates->addPage(generate);
    return m_wxStates;
}

QWidget* PaymentSheet::buildUsdtPage()
{
    QVBoxLayout* layout = nullptr;
    auto* page = column(this, 10, 0, layout);
    layout->addWidget(caption(QStringLiteral("USDT (TRC20)")));
    m_usdtQr = new QrView;
    m_usdtQrBlock = qrBlock(m_usdtQr, i18n::tr(QStringLiteral("扫码查看收款地址（TRC20）")), 6, page);
    layout->addWidget(m_usdtQrBlock);
    m_usdtAddress = new SelectableText(1, page);
    m_usdtAddress->setFont(
        QFont(QStringLiteral("DejaVu Sans Mono"), Theme::of(page).font(TextStyle::Body).pointSize()));
    layout->addWidget(m_usdtAddress);

    auto* row = new QHBoxLayout;
    m_usdtAmount = makeOneLineLabel(QString(), TextStyle::Body, QFont::DemiBold, TextColor::Primary, page);
    row->addWidget(m_usdtAmount);
    row->addStretch();
    m_copyAddress = new Button(i18n::tr(QStringLiteral("复制地址")), Button::Style::Bordered, page);
    m_copyAddress->setSymbol(QStringLiteral("doc.on.doc"));
    connect(m_copyAddress, &QPushButton::clicked, this, [this] { copyToClipboard(m_addressToCopy); });
    row->addWidget(m_copyAddress);
    layout->addLayout(row);
    auto* note = makeLabel(i18n::tr(QStringLiteral("转账后可在管理端核对，如有问题请联系客服")), TextStyle::Caption2,
                           TextColor::Secondary, page);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch();
    return page;
}

void PaymentSheet::showState(const PaymentState& state)
{
    if (!state.payOrder) {
        m_body->setCurrentIndex(creatingPage);
        m_planTitle->setText(state.activePlan ? state.activePlan->name : i18n::tr(QStringLiteral("下单")));
        m_planPrice->setVisible(state.activePlan.has_value());
        m_planPrice->setText(state.activePlan ? PaymentRules::money(state.activePlan->price) : QString());
        // The progress line lasts only while the order is being created: a refusal or a
        // failure ends it, leaving the message.
        m_creatingProgress->setVisible(state.paying);
        setOptionalText(m_creatingError, state.payError);
        return;
    }
    const auto& order = *state.payOrder;
    m_body->setCurrentIndex(orderPage);
    m_amount->setText(PaymentRules::money(order.amount.value_or(0)));
    m_listPrice->setVisible(PaymentRules::showsListPrice(order));
    m_listPrice->setText(PaymentRules::listPrice(order.original_amount.value_or(0)));
    for (auto* way : m_ways)
        way->setSelected(way->method() == state.payMethod);
    setOptionalText(m_orderError, state.payError);
    m_paying->setVisible(state.paying);

    switch (state.payMethod) {
    case PaymentMethod::alipay: {
        m_wayContent->setCurrentIndex(alipayPage);
        const auto image = QrImage::fromBase64(order.qr_b64.value_or(QString()));
        m_alipayQr->setImage(image);
        m_alipayStates->setCurrentIndex(image.isNull() ? alipayFetching : alipayQrShown);
        return;
    }
    case PaymentMethod::wechat:
        m_wayContent->setCurrentIndex(wxPage);
        m_wxQr->setImage(state.quibexQrImage);
        m_wxStates->setCurrentIndex(!state.quibexQr                    ? wxGenerate
                                        : state.quibexQrImage.isNull() ? wxFetching
                                                                       : wxQrShown);
        m_transferLine->setText(i18n::tr(QStringLiteral("或转账到微信")) + QStringLiteral("：")
                                + order.out_trade_no.value_or(QString()));
        return;
    case PaymentMethod::usdt: {
        m_wayContent->setCurrentIndex(usdtPage);
        const auto image = QrImage::fromBase64(order.usdt_qr_b64.value_or(QString()));
        m_usdtQr->setImage(image);
        m_usdtQrBlock->setVisible(!image.isNull());
        m_addressToCopy = order.usdt_address.value_or(QString());
        m_usdtAddress->setWholeText(m_addressToCopy);
        m_usdtAmount->setText(i18n::tr(QStringLiteral("应转")) + QStringLiteral("：")
                              + PaymentRules::twoDecimals(order.usdt_amount.value_or(0)) + QStringLiteral(" USDT"));
        return;
    }
    }
}

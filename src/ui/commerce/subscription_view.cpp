#include "subscription_view.h"

#include "api/api_service.h"
#include "copy_feedback.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/common/button.h"
#include "ui/common/load_state_view.h"
#include "ui/common/modern_card.h"
#include "ui/common/scroll_column.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
QLabel* note(const QString& text, TextStyle style = TextStyle::Caption)
{
    auto* label = makeLabel(text, style, TextColor::Secondary);
    label->setWordWrap(true);
    return label;
}

// The user's subscription identity and configuration, as the service has them.
struct Subscription {
    std::optional<QString> uuid;
    std::optional<QString> config;
};

QCoro::Task<Subscription> fetchSubscription(ApiService* api)
{
    // One after the other: a failed first call makes no second.
    Subscription subscription;
    subscription.uuid = co_await api->fetchMyUuid();
    subscription.config = co_await api->fetchSubscriptionConfig();
    co_return subscription;
}
} // namespace

SubscriptionView::SubscriptionView(const CommerceServices& services, QWidget* parent)
    : FramedSheet(i18n::tr(QStringLiteral("订阅链接")), {540, 480}, parent)
    , m_services(services)
    , m_api(new ApiService(services.api, this))
{
    m_states = new LoadStateView(this);
    m_content = buildContent();
    m_states->addPage(m_content);
    connect(m_states, &LoadStateView::retryRequested, this, &SubscriptionView::load);
    body()->addWidget(m_states);
    refresh();
}

QWidget* SubscriptionView::buildContent()
{
    auto* scroll = new ScrollColumn(14, QMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l), this);
    auto* column = scroll->column();

    auto* urlCard = new ModernCard(Qt::AlignLeft, 10, scroll->widget());
    urlCard->addRow(new SymbolLabel(QStringLiteral("link"), i18n::tr(QStringLiteral("我的订阅链接")),
                                    TextStyle::Headline, TextColor::Primary));
    m_linkRow = new QWidget(urlCard);
    auto* linkRow = new QHBoxLayout(m_linkRow);
    linkRow->setContentsMargins(0, 0, 0, 0);
    linkRow->setSpacing(Spacing::s);
    // Two lines hold the service's own links; a longer one is cut, and the button copies it whole.
    m_link = new SelectableText(2, m_linkRow);
    m_link->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    linkRow->addWidget(m_link, 1);
    m_copyUrl = new Button(QString(), Button::Style::Bordered, m_linkRow);
    m_urlFeedback = new CopyFeedback(*m_copyUrl, i18n::tr(QStringLiteral("复制")));
    connect(m_copyUrl, &QPushButton::clicked, this, [this] {
        if (m_subUrl)
            m_urlFeedback->copy(*m_subUrl);
    });
    linkRow->addWidget(m_copyUrl);
    urlCard->addWideRow(m_linkRow);
    m_linkHint = note(i18n::tr(QStringLiteral("在 Clash / Mihomo 等客户端中添加此订阅，即可导入节点")));
    urlCard->addWideRow(m_linkHint);
    m_noLink = note(i18n::tr(QStringLiteral("无法获取订阅链接")));
    urlCard->addWideRow(m_noLink);
    column->addWidget(urlCard);

    auto* configCard = new ModernCard(Qt::AlignLeft, 10, scroll->widget());
    configCard->addRow(new SymbolLabel(QStringLiteral("doc.plaintext"), i18n::tr(QStringLiteral("Clash 配置")),
                                       TextStyle::Headline, TextColor::Primary));
    configCard->addWideRow(
        note(i18n::tr(QStringLiteral("可直接复制本订阅生成的 Clash 配置，导入 Mihomo/Clash Meta 使用"))));
    auto* configRow = new QHBoxLayout;
    configRow->setSpacing(10);
    m_copyConfig = new Button(QString(), Button::Style::Prominent, configCard);
    m_copyConfig->setSymbol(QStringLiteral("doc.on.doc"));
    m_copyConfig->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_configFeedback = new CopyFeedback(*m_copyConfig, i18n::tr(QStringLiteral("复制完整配置")));
    connect(m_copyConfig, &QPushButton::clicked, this, [this] {
        if (m_configText)
            m_configFeedback->copy(*m_configText);
    });
    configRow->addWidget(m_copyConfig, 1);
    m_count = makeLabel(QString(), TextStyle::Caption, TextColor::Secondary, configCard);
    configRow->addWidget(m_count);
    configCard->addWideRow(configRow);
    column->addWidget(configCard);

    auto* infoCard = new ModernCard(Qt::AlignLeft, 6, scroll->widget());
    infoCard->addRow(new SymbolLabel(QStringLiteral("info.circle"), i18n::tr(QStringLiteral("说明")),
                                     TextStyle::Caption, TextColor::Secondary));
    infoCard->addWideRow(
        note(i18n::tr(QStringLiteral("订阅链接包含你的专属节点与账户凭据，请勿泄露给他人。")), TextStyle::Caption2));
    column->addWidget(infoCard);
    column->addStretch();
    return scroll;
}

void SubscriptionView::showEvent(QShowEvent* event)
{
    SheetDialog::showEvent(event);
    load();
}

bool SubscriptionView::isUrlCopied() const { return m_urlFeedback->isCopied(); }

bool SubscriptionView::isConfigCopied() const { return m_configFeedback->isCopied(); }

void SubscriptionView::load()
{
    m_loading = true;
    m_loadError.reset();
    refresh();
    whileAlive(
        this, fetchSubscription(m_api),
        [this](const Subscription& subscription) {
            if (subscription.uuid && !subscription.uuid->isEmpty())
                m_subUrl = m_services.serviceAddress + QStringLiteral("/api/sub/") + *subscription.uuid;
            if (subscription.config && !subscription.config->isEmpty())
                m_configText = subscription.config;
            finishLoad();
        },
        [this](const std::exception&) {
            m_loadError = i18n::tr(QStringLiteral("网络错误，请重试"));
            finishLoad();
        });
}

void SubscriptionView::finishLoad()
{
    m_loading = false;
    refresh();
}

void SubscriptionView::refresh()
{
    if (m_loading)
        m_states->showLoading();
    else if (m_loadError)
        m_states->showError(*m_loadError);
    else
        m_states->showPage(m_content);

    m_linkRow->setVisible(m_subUrl.has_value());
    m_linkHint->setVisible(m_subUrl.has_value());
    m_noLink->setVisible(!m_subUrl);
    m_link->setWholeText(m_subUrl.value_or(QString()));
    m_copyConfig->setEnabled(m_configText.has_value());
    m_count->setVisible(m_configText.has_value());
    // Counted as a reader counts characters; shown the same in every language.
    m_count->setText(m_configText ? QString::number(readableLength(*m_configText)) + QStringLiteral(" 字符")
                                  : QString());
}

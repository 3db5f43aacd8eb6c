#include "withdraw_view.h"

#include "api/api_service.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "status_looks.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/fair_share_row.h"
#include "ui/common/load_state_view.h"
#include "ui/common/modern_card.h"
#include "ui/common/number_formats.h"
#include "ui/common/plain_alert.h"
#include "ui/common/scroll_column.h"
#include "ui/common/text_label.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

struct Balance {
    std::optional<UserProfileResponse> profile;
    QList<WithdrawRecord> records;
};

// Both fetches run at once; the profile's failure is the one reported when both fail.
QCoro::Task<Balance> fetchBalance(ApiService* api)
{
    auto profile = api->fetchProfile();
    auto records = api->fetchWithdraws();
    Balance balance;
    balance.profile = co_await std::move(profile);
    balance.records = co_await std::move(records);
    co_return balance;
}

} // namespace

bool WithdrawView::canSubmit(double pending, bool submitting) { return !submitting && pending >= minimumWithdrawal; }

WithdrawView::WithdrawView(Services services, QWidget* parent)
    : LoadingSheet(i18n::tr(QStringLiteral("提现")), QSize(500, 520), parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("withdrawView"));
    m_content = new ScrollColumn(14, QMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l), states());
    states()->addPage(m_content);
    // The balance and the form stay for the sheet's life, so a typed note outlives every reload.
    m_content->column()->addWidget(balanceCard());
    m_content->column()->addWidget(withdrawForm());
    m_content->column()->addStretch();
    body()->addWidget(states());
    refresh();
}

void WithdrawView::load()
{
    beginLoad();
    whileAlive(
        this, fetchBalance(&m_services.api),
        [this](const Balance& balance) {
            const auto& profile = balance.profile;
            m_pending = profile ? profile->commission.value_or(0) : 0;
            m_withdraws = balance.records;
            rebuildRecords();
            refresh();
            endLoad(std::nullopt);
        },
        [this](const std::exception&) { endLoad(i18n::tr(QStringLiteral("网络错误，请重试"))); });
}

QWidget* WithdrawView::loadedPage() { return m_content; }

void WithdrawView::submit()
{
    if (!canSubmit(m_pending, m_submitting))
        return;
    m_submitting = true;
    refresh();
    const auto note = m_note->toPlainText();
    whileAlive(
        this, m_services.api.requestWithdraw(note),
        [this, note](const ApiService::Outcome& answer) {
            const auto fallback = answer.ok ? QStringLiteral("申请已提交") : QStringLiteral("申请失败");
            finishSubmit(answer.message.value_or(i18n::tr(fallback)), note, answer.ok);
        },
        [this, note](const std::exception&) {
            finishSubmit(i18n::tr(QStringLiteral("网络错误，请重试")), note, false);
        });
}

void WithdrawView::finishSubmit(const std::optional<QString>& message, const QString& sentNote, bool accepted)
{
    m_submitting = false;
    m_resultMsg = message;
    // Only a request the service took has used its note; after a refusal or a failure the note
    // stays for another try. Text typed while the request was on its way stays too.
    if (accepted && m_note->toPlainText() == sentNote)
        m_note->clear();
    refresh();
    if (m_resultAlert)
        m_resultAlert->close();
    auto* alert
        = makePlainAlert(QMessageBox::NoIcon, i18n::tr(QStringLiteral("提现")), m_resultMsg.value_or(QString()), this);
    alert->setObjectName(QStringLiteral("resultAlert"));
    alert->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    connect(alert, &QDialog::finished, this, &WithdrawView::load);
    m_resultAlert = alert;
    alert->open();
}

void WithdrawView::refresh()
{
    m_balance->setText(NumberFormat::yuan(m_pending));
    m_submit->setBusy(m_submitting);
    m_submit->setText(m_submitting ? QString() : i18n::tr(QStringLiteral("提交提现申请")));
    m_submit->setSymbol(m_submitting ? QString() : QStringLiteral("paperplane.fill"));
    m_submit->setEnabled(canSubmit(m_pending, m_submitting));
}

QWidget* WithdrawView::balanceCard()
{
    auto* card = new ModernCard(Qt::AlignLeft, Spacing::s, m_content->content());
    card->setObjectName(QStringLiteral("balanceCard"));
    card->addWideRow(makeLabel(i18n::tr(QStringLiteral("可提现佣金")), TextStyle::Caption, TextColor::Secondary, card));
    m_balance = makeLabel(NumberFormat::yuan(0), TextStyle::LargeTitle, QFont::Bold, TextColor::Green, card);
    m_balance->setObjectName(QStringLiteral("balance"));
    auto font = m_balance->font();
    font.setPixelSize(40);
    m_balance->setFont(font);
    card->addWideRow(m_balance);
    auto* rule
        = makeLabel(i18n::tr(QStringLiteral("满 ¥10 可申请提现；提现申请将汇总当前所有待结算佣金，由管理员审核")),
                    TextStyle::Caption2, TextColor::Secondary, card);
    rule->setWordWrap(true);
    card->addWideRow(rule);
    return card;
}

QWidget* WithdrawView::withdrawForm()
{
    auto* card = new ModernCard(Qt::AlignLeft, Spacing::m, m_content->content());
    card->setObjectName(QStringLiteral("withdrawForm"));
    card->addWideRow(makeLabel(i18n::tr(QStringLiteral("申请提现")), TextStyle::Headline, TextColor::Primary, card));
    m_note = new QPlainTextEdit(card);
    m_note->setObjectName(QStringLiteral("noteEditor"));
    m_note->setFixedHeight(60);
    m_note->setFont(Theme::of(this).font(TextStyle::Body));
    m_note->setTabChangesFocus(true);
    card->addWideRow(m_note);
    card->addWideRow(makeLabel(i18n::tr(QStringLiteral("备注（选填，如收款方式）")), TextStyle::Caption,
                               TextColor::Secondary, card));
    m_submit = new Button(i18n::tr(QStringLiteral("提交提现申请")), Button::Style::Prominent, card);
    m_submit->setObjectName(QStringLiteral("submitButton"));
    m_submit->setTint(TextColor::Green);
    m_submit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_submit, &QPushButton::clicked, this, &WithdrawView::submit);
    card->addWideRow(m_submit);
    return card;
}

void WithdrawView::rebuildRecords()
{
    if (m_records) {
        m_content->column()->removeWidget(m_records);
        m_records->hide();
        m_records->deleteLater();
        m_records = nullptr;
    }
    if (m_withdraws.isEmpty())
        return;
    auto* card = new ModernCard(Qt::AlignLeft, Spacing::s, m_content->content());
    card->setObjectName(QStringLiteral("recordsCard"));
    card->addWideRow(makeLabel(i18n::tr(QStringLiteral("提现记录")), TextStyle::Headline, TextColor::Primary, card));
    const auto lastId = m_withdraws.last().id;
    for (const auto& record : m_withdraws) {
        auto* row = new QWidget(card);
        row->setObjectName(QStringLiteral("withdrawal"));
        // The date and a status the sheet does not know come from the service: each keeps its
        // share of the row on one line, and the amount stays whole.
        auto* line = new FairShareRow(row);
        line->setContentsMargins(0, 5, 0, 5);
        auto* left = new QVBoxLayout;
        left->setSpacing(Spacing::xxs);
        auto* amount
            = makeLabel(NumberFormat::yuan(record.amount), TextStyle::Body, QFont::DemiBold, TextColor::Primary, row);
        amount->setObjectName(QStringLiteral("amount"));
        left->addWidget(amount);
        auto* date
            = makeOneLineLabel(record.created_at.value_or(QString()), TextStyle::Caption2, TextColor::Secondary, row);
        date->setObjectName(QStringLiteral("date"));
        left->addWidget(date);
        line->addLayout(left);
        line->addStretch();
        const auto look = StatusLooks::withdrawal(record.status);
        auto* status = makeOneLineLabel(look.text, TextStyle::Caption, QFont::Medium, look.color, row);
        status->setObjectName(QStringLiteral("status"));
        line->addWidget(status);
        card->addWideRow(row);
        if (record.id != lastId)
            card->addWideRow(new Divider(card));
    }
    // Below the form, above the closing stretch.
    m_content->column()->insertWidget(2, card);
    m_records = card;
}

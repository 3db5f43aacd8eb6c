#include "invite_view.h"

#include "api/api_service.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "stat_box.h"
#include "status_looks.h"
#include "ui/common/button.h"
#include "ui/common/divider.h"
#include "ui/common/fair_share_row.h"
#include "ui/common/load_state_view.h"
#include "ui/common/number_formats.h"
#include "ui/common/scroll_column.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int copiedFeedbackMs = 2000;

ModernCard* card(int spacing, QWidget* parent) { return new ModernCard(Qt::AlignLeft, spacing, parent); }

} // namespace

InviteView::InviteView(Services services, QWidget* parent)
    : LoadingSheet(i18n::tr(QStringLiteral("邀请返利")), QSize(500, 560), parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("inviteView"));
    m_content = new ScrollColumn(14, QMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l), states());
    states()->addPage(m_content);
    body()->addWidget(states());
}

void InviteView::load()
{
    beginLoad();
    whileAlive(
        this, m_services.api.fetchInvite(),
        [this](const std::optional<InviteResponse>& answer) {
            if (answer && answer->ok) {
                m_resp = *answer;
                rebuildContent();
                endLoad(std::nullopt);
            } else {
                endLoad(i18n::tr(QStringLiteral("加载失败")));
            }
        },
        [this](const std::exception&) { endLoad(i18n::tr(QStringLiteral("网络错误，请重试"))); });
}

QWidget* InviteView::loadedPage() { return m_content; }

void InviteView::copyText(const QString& text)
{
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    m_copied = true;
    if (m_copy)
        m_copy->setText(i18n::tr(QStringLiteral("已复制")));
    // Every copy schedules its own reset; the first one due ends the feedback.
    QTimer::singleShot(copiedFeedbackMs, this, [this] {
        m_copied = false;
        if (m_copy)
            m_copy->setText(i18n::tr(QStringLiteral("复制")));
    });
}

void InviteView::rebuildContent()
{
    m_content->clear();
    m_copy = nullptr;
    auto* column = m_content->column();
    column->addWidget(inviteCodeCard());
    column->addWidget(statsRow());
    if (m_resp && m_resp->invited_users && !m_resp->invited_users->isEmpty())
        column->addWidget(invitedCard(*m_resp->invited_users));
    if (m_resp && m_resp->commissions && !m_resp->commissions->isEmpty()) {
        column->addWidget(commissionCard(*m_resp->commissions));
    } else {
        auto* none = makeLabel(i18n::tr(QStringLiteral("还没有佣金记录，快去邀请好友吧")), TextStyle::Caption,
                               TextColor::Secondary, m_content->content());
        none->setObjectName(QStringLiteral("noCommissions"));
        none->setContentsMargins(0, Spacing::s, 0, 0);
        none->setAlignment(Qt::AlignHCenter);
        column->addWidget(none);
    }
    column->addStretch();
}

QWidget* InviteView::inviteCodeCard()
{
    auto* box = card(10, m_content->content());
    box->setObjectName(QStringLiteral("inviteCodeCard"));
    auto* title = new SymbolLabel(QStringLiteral("person.badge.plus"), i18n::tr(QStringLiteral("我的邀请码")),
                                  TextStyle::Headline, TextColor::Green, box);
    box->addWideRow(title);
    const auto code = m_resp ? m_resp->invite_code.value_or(QString()) : QString();
    if (code.isEmpty()) {
        box->addWideRow(
            makeLabel(i18n::tr(QStringLiteral("暂无邀请码")), TextStyle::Caption, TextColor::Secondary, box));
        return box;
    }
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    auto* codeLabel = makeOneLineLabel(code, TextStyle::Title2, TextColor::Accent, box);
    codeLabel->setObjectName(QStringLiteral("inviteCode"));
    auto font = Theme::of(this).font(TextStyle::Title2, QFont::Bold);
    font.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    codeLabel->setFont(font);
    row->addWidget(codeLabel);
    m_copy = new Button(i18n::tr(m_copied ? QStringLiteral("已复制") : QStringLiteral("复制")), Button::Style::Bordered,
                        box);
    m_copy->setObjectName(QStringLiteral("copyButton"));
    connect(m_copy, &QPushButton::clicked, this, [this, code] { copyText(code); });
    row->addWidget(m_copy);
    row->addStretch();
    box->addWideRow(row);
    auto* caption = makeLabel(i18n::tr(QStringLiteral("好友通过你的邀请链接注册并购买，你可获得佣金返利")),
                              TextStyle::Caption, TextColor::Secondary, box);
    caption->setWordWrap(true);
    box->addWideRow(caption);
    return box;
}

QWidget* InviteView::statsRow()
{
    auto* row = new QWidget(m_content->content());
    row->setObjectName(QStringLiteral("statsRow"));
    auto* boxes = new QHBoxLayout(row);
    boxes->setContentsMargins(0, 0, 0, 0);
    boxes->setSpacing(10);
    const qint64 invited = m_resp ? m_resp->invited_count.value_or(0) : 0;
    const double total = m_resp ? m_resp->commission_total.value_or(0) : 0;
    const double pending = m_resp ? m_resp->commission_pending.value_or(0) : 0;
    boxes->addWidget(
        new StatBox({i18n::tr(QStringLiteral("邀请人数")), QStringLiteral("person.2.fill"), TextColor::Blue},
                    QString::number(invited), row),
        1);
    boxes->addWidget(
        new StatBox({i18n::tr(QStringLiteral("累计佣金")), QStringLiteral("yensign.circle.fill"), TextColor::Green},
                    NumberFormat::yuan(total), row),
        1);
    boxes->addWidget(new StatBox({i18n::tr(QStringLiteral("待结算")), QStringLiteral("clock.fill"), TextColor::Orange},
                                 NumberFormat::yuan(pending), row),
                     1);
    return row;
}

QWidget* InviteView::invitedCard(const QList<InvitedUser>& users)
{
    auto* box = card(Spacing::s, m_content->content());
    box->setObjectName(QStringLiteral("invitedCard"));
    box->addWideRow(makeLabel(i18n::tr(QStringLiteral("受邀用户")), TextStyle::Headline, TextColor::Primary, box));
    const auto shown = users.mid(0, shownInvitedUsers);
    for (const auto& user : shown) {
        auto* row = new QWidget(box);
        row->setObjectName(QStringLiteral("invitedUser"));
        // Both come from the service: a long one gives way without cutting an ordinary other.
        auto* line = new FairShareRow(row);
        line->setContentsMargins(0, Spacing::xs, 0, Spacing::xs);
        auto* email = makeOneLineLabel(user.email, TextStyle::Caption, TextColor::Primary, row);
        email->setObjectName(QStringLiteral("email"));
        line->addWidget(email);
        line->addStretch();
        auto* joined = makeOneLineLabel(user.created_at, TextStyle::Caption2, TextColor::Secondary, row);
        joined->setObjectName(QStringLiteral("joined"));
        line->addWidget(joined);
        box->addWideRow(row);
        if (user.email != shown.last().email)
            box->addWideRow(new Divider(box));
    }
    return box;
}

QWidget* InviteView::commissionCard(const QList<CommissionRecord>& records)
{
    auto* box = card(Spacing::s, m_content->content());
    box->setObjectName(QStringLiteral("commissionCard"));
    box->addWideRow(makeLabel(i18n::tr(QStringLiteral("佣金明细")), TextStyle::Headline, TextColor::Primary, box));
    for (const auto& record : records) {
        auto* row = new QWidget(box);
        row->setObjectName(QStringLiteral("commission"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 5, 0, 5);
        auto* left = new QVBoxLayout;
        left->setSpacing(Spacing::xxs);
        auto* plan = record.plan_name
            ? makeOneLineLabel(*record.plan_name, TextStyle::Body, TextColor::Primary, row)
            : makeLabel(i18n::tr(QStringLiteral("套餐")), TextStyle::Body, TextColor::Primary, row);
        plan->setFont(Theme::of(this).font(TextStyle::Body, QFont::Medium));
        left->addWidget(plan);
        const auto look = StatusLooks::commission(record.status);
        // A status the sheet does not know shows as sent, on one line cut to the row.
        auto* status = makeOneLineLabel(look.text, TextStyle::Caption2, look.color, row);
        status->setObjectName(QStringLiteral("status"));
        left->addWidget(status);
        line->addLayout(left);
        line->addStretch();
        auto* amount
            = makeLabel(NumberFormat::yuan(record.amount), TextStyle::Body, QFont::DemiBold, TextColor::Green, row);
        amount->setObjectName(QStringLiteral("amount"));
        line->addWidget(amount);
        box->addWideRow(row);
        if (record.id != records.last().id)
            box->addWideRow(new Divider(box));
    }
    return box;
}

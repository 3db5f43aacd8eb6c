#include "profile_cards.h"

#include "platform/text_format.h"
#include "platform/text_table.h"
#include "ui/account/avatar_badge.h"
#include "ui/account/copy_button.h"
#include "ui/common/button.h"
#include "ui/common/linear_progress.h"
#include "ui/common/modern_card.h"
#include "ui/common/number_formats.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ProfileCards {

namespace {

QString t(const char16_t* key) { return i18n::tr(QString::fromUtf16(key)); }

QString firstCharacterUpper(const QString& text)
{
    if (text.isEmpty())
        return {};
    const int length = text.front().isHighSurrogate() && text.size() > 1 ? 2 : 1;
    return text.left(length).toUpper();
}

QString planName(const UserProfileResponse& profile) { return profile.plan.value_or(t(u"体验版")); }

// A row of a secondary caption, flexible space and a value.
QHBoxLayout* valueRow(const QString& caption, QLabel* value)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(makeLabel(caption, TextStyle::Body, TextColor::Secondary));
    row->addStretch();
    row->addWidget(value);
    return row;
}

SymbolLabel* cardTitle(const QString& symbol, const QString& text, TextColor color)
{
    return new SymbolLabel(symbol, text, TextStyle::Headline, color);
}

} // namespace

PlanUsage planUsage(std::optional<double> used, std::optional<double> total)
{
    const double usedAmount = used.value_or(0);
    PlanUsage usage;
    // Without a total the allowance is unknown: none is invented, and the bar measures nothing.
    if (!total) {
        usage.text = i18n::format(QStringLiteral("%.1f / -- GB"), usedAmount);
        return usage;
    }
    usage.text = i18n::format(QStringLiteral("%.1f / %.0f GB"), usedAmount, *total);
    usage.fraction = usedAmount / qMax(*total, 1.0);
    usage.isHigh = usage.fraction > 0.8;
    return usage;
}

QString avatarLetter(const UserProfileResponse& profile)
{
    if (profile.email)
        return firstCharacterUpper(*profile.email);
    if (profile.name)
        return firstCharacterUpper(*profile.name);
    return QStringLiteral("V");
}

ModernCard* accountCard(const UserProfileResponse& profile, QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, 0, parent);
    card->setObjectName(QStringLiteral("accountCard"));
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(14);
    row->addWidget(new AvatarBadge(avatarLetter(profile), 52, 0.15), 0, Qt::AlignVCenter);
    auto* column = new QVBoxLayout;
    column->setSpacing(3);
    auto* title = makeOneLineLabel(profile.name.value_or(profile.email.value_or(t(u"用户"))), TextStyle::Headline);
    title->setObjectName(QStringLiteral("accountTitle"));
    column->addWidget(title);
    auto* email = makeOneLineLabel(profile.email.value_or(QString()), TextStyle::Caption, TextColor::Secondary);
    email->setObjectName(QStringLiteral("accountEmail"));
    column->addWidget(email);
    auto* plan = makeOneLineLabel(planName(profile), TextStyle::Caption, TextColor::Accent);
    plan->setObjectName(QStringLiteral("accountPlan"));
    column->addWidget(plan);
    row->addLayout(column, 1);
    card->addWideRow(row);
    return card;
}

ModernCard* planCard(const UserProfileResponse& profile, const std::function<void()>& buy, QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, 12, parent);
    card->setObjectName(QStringLiteral("planCard"));
    card->addWideRow(cardTitle(QStringLiteral("creditcard"), t(u"套餐信息"), TextColor::Primary));

    auto* plan = makeOneLineLabel(planName(profile), TextStyle::Body, QFont::DemiBold);
    plan->setObjectName(QStringLiteral("planName"));
    card->addWideRow(valueRow(t(u"当前套餐"), plan));
    auto* expiry
        = makeOneLineLabel(profile.expire.value_or(t(u"永久")), TextStyle::Body, QFont::DemiBold, TextColor::Orange);
    expiry->setObjectName(QStringLiteral("planExpiry"));
    card->addWideRow(valueRow(t(u"到期时间"), expiry));

    const auto usage = planUsage(profile.trafficUsed, profile.trafficTotal);
    // The service's figures: a number of hundreds of digits is cut, never widens the card.
    auto* traffic = makeOneLineLabel(usage.text, TextStyle::Body);
    traffic->setObjectName(QStringLiteral("planTraffic"));
    auto* trafficColumn = new QVBoxLayout;
    trafficColumn->setSpacing(6);
    trafficColumn->addLayout(valueRow(t(u"流量"), traffic));
    auto* bar = new LinearProgress;
    bar->setObjectName(QStringLiteral("planUsageBar"));
    bar->setValue(qMin(usage.fraction, 1.0));
    bar->setTint(usage.isHigh ? TextColor::Red : TextColor::Blue);
    trafficColumn->addWidget(bar);
    card->addWideRow(trafficColumn);

    auto* purchase = new Button(t(u"购买套餐"), Button::Style::Prominent);
    purchase->setObjectName(QStringLiteral("purchaseButton"));
    purchase->setSymbol(QStringLiteral("cart"));
    purchase->setTint(TextColor::Blue);
    purchase->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    purchase->setEnabled(bool(buy));
    if (buy)
        QObject::connect(purchase, &QPushButton::clicked, purchase, [buy] { buy(); });
    card->addWideRow(purchase);
    return card;
}

ModernCard* inviteCard(const UserProfileResponse& profile, QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, 12, parent);
    card->setObjectName(QStringLiteral("inviteCard"));
    card->addWideRow(cardTitle(QStringLiteral("person.badge.plus"), t(u"邀请好友"), TextColor::Green));
    if (profile.inviteCode && !profile.inviteCode->isEmpty()) {
        auto* row = new QHBoxLayout;
        row->addWidget(makeLabel(t(u"邀请链接"), TextStyle::Body, TextColor::Secondary));
        row->addStretch();
        // Cut to its room with "…" where it is long: the copy button gives the whole code.
        auto* code = makeOneLineLabel(*profile.inviteCode, TextStyle::Caption, TextColor::Accent);
        code->setObjectName(QStringLiteral("inviteCode"));
        row->addWidget(code);
        auto* copy = new CopyButton(*profile.inviteCode);
        copy->setObjectName(QStringLiteral("copyInviteCode"));
        row->addWidget(copy);
        card->addWideRow(row);
    }
    if (profile.commission) {
        auto* balance = makeOneLineLabel(NumberFormat::yuan(*profile.commission), TextStyle::Body, QFont::DemiBold,
                                         TextColor::Green);
        balance->setObjectName(QStringLiteral("commission"));
        card->addWideRow(valueRow(t(u"返利余额"), balance));
    }
    return card;
}

ModernCard* notSignedInCard(const std::function<void()>& signIn, QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignHCenter, 12, parent);
    card->setObjectName(QStringLiteral("notSignedInCard"));
    card->column()->setContentsMargins(0, 12, 0, 12);
    card->addRow(new SymbolView(QStringLiteral("person.crop.circle.badge.exclamationmark"), 34, TextColor::Secondary));
    card->addRow(makeLabel(t(u"未登录"), TextStyle::Headline));
    // Not the table's key (which has no enumeration comma): shown as written in every language.
    card->addRow(makeLabel(t(u"登录后查看套餐、流量与邀请返利"), TextStyle::Caption, TextColor::Secondary));
    auto* button = new Button(t(u"登录"), Button::Style::Prominent);
    button->setObjectName(QStringLiteral("signInButton"));
    button->setEnabled(bool(signIn));
    if (signIn)
        QObject::connect(button, &QPushButton::clicked, button, [signIn] { signIn(); });
    card->addRow(button);
    return card;
}

} // namespace ProfileCards

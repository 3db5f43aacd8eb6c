#include "subscription_card.h"

#include "app/app_state.h"
#include "dashboard_style.h"
#include "platform/text_table.h"
#include "ui/common/divider.h"
#include "ui/common/linear_progress.h"
#include "ui/common/number_formats.h"
#include "ui/common/spinner.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// A row of the plan's figures: the label on the left, the value on the right; returns the value.
QLabel* addPlanRow(QGridLayout* grid, const QString& label, QWidget* parent)
{
    const int row = grid->rowCount();
    grid->addWidget(makeLabel(label, TextStyle::Body, TextColor::Primary, parent), row, 0);
    auto* value = makeOneLineLabel(QString(), TextStyle::Body, QFont::Medium, TextColor::Primary, parent);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(value, row, 1);
    return value;
}

} // namespace

QLabel* addFigureColumn(QHBoxLayout* row, const QString& caption, TextColor color, QWidget* parent, FigureText text)
{
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(makeLabel(caption, TextStyle::Caption2, TextColor::Secondary, parent), 0, Qt::AlignHCenter);
    auto* figure = makeLabel(QString(), TextStyle::Headline, color, parent);
    if (text == FigureText::outside)
        figure->setOneLine(true);
    column->addWidget(figure, 0, Qt::AlignHCenter);
    row->addStretch();
    row->addLayout(column);
    row->addStretch();
    return figure;
}

SubscriptionCard::SubscriptionCard(AppState& appState, QWidget* parent)
    : ModernCard(Qt::AlignHCenter, 12, parent)
    , m_appState(appState)
{
    addWideRow(new SymbolLabel(QStringLiteral("creditcard.fill"), i18n::tr(QStringLiteral("订阅信息")),
                               TextStyle::Headline, TextColor::Primary, this));

    m_loading = new QWidget(this);
    auto* loadingRow = new QHBoxLayout(m_loading);
    loadingRow->setContentsMargins(0, 8, 0, 8);
    loadingRow->addStretch();
    loadingRow->addWidget(new Spinner(16, m_loading));
    loadingRow->addStretch();
    addWideRow(m_loading);

    m_details = new QWidget(this);
    auto* column = new QVBoxLayout(m_details);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    m_plan = addPlanRow(grid, i18n::tr(QStringLiteral("套餐")), m_details);
    m_expiry = addPlanRow(grid, i18n::tr(QStringLiteral("到期")), m_details);
    column->addLayout(grid);

    auto* traffic = new QVBoxLayout;
    traffic->setSpacing(4);
    auto* trafficLine = new QHBoxLayout;
    trafficLine->addWidget(
        makeLabel(i18n::tr(QStringLiteral("流量")), TextStyle::Caption, TextColor::Secondary, m_details));
    trafficLine->addStretch();
    m_traffic = makeLabel(QString(), TextStyle::Caption, TextColor::Primary, m_details);
    m_traffic->setFont(Theme::of(this).monospacedDigitFont(TextStyle::Caption));
    trafficLine->addWidget(m_traffic);
    traffic->addLayout(trafficLine);
    m_usageBar = new LinearProgress(m_details);
    traffic->addWidget(m_usageBar);
    column->addLayout(traffic);
    column->addWidget(new Divider(m_details));

    auto* figures = new QHBoxLayout;
    m_used = addFigureColumn(figures, i18n::tr(QStringLiteral("已用")), TextColor::Orange, m_details);
    figures->addWidget(new Divider(30, m_details), 0, Qt::AlignVCenter);
    m_commission = addFigureColumn(figures, i18n::tr(QStringLiteral("邀请返佣")), TextColor::Green, m_details);
    column->addLayout(figures);
    addWideRow(m_details);

    refresh();
}

void SubscriptionCard::refresh()
{
    const auto& profile = m_appState.profile();
    m_loading->setVisible(!profile);
    m_details->setVisible(profile.has_value());
    if (!profile)
        return;
    m_plan->setText(profile->plan.value_or(i18n::tr(QStringLiteral("体验版"))));
    m_expiry->setText(profile->expire.value_or(i18n::tr(QStringLiteral("永久"))));

    // Gigabytes as the service sends them. Without a total the allowance is unknown: no total is
    // shown and the bar stays empty.
    const double usedGigabytes = profile->trafficUsed.value_or(0);
    const auto totalGigabytes = profile->trafficTotal;
    const QString used = NumberFormat::byteCount(NumberFormat::bytesFromGigabytes(usedGigabytes));
    const QString total = totalGigabytes ? NumberFormat::byteCount(NumberFormat::bytesFromGigabytes(*totalGigabytes))
                                         : QStringLiteral("--");
    m_traffic->setText(used + QStringLiteral(" / ") + total);
    const double ratio = totalGigabytes ? DashboardStyle::usageRatio(usedGigabytes, *totalGigabytes) : 0.0;
    m_usageBar->setValue(ratio);
    m_usageBar->setTint(DashboardStyle::usageColor(ratio));

    m_used->setText(used);
    m_commission->setText(NumberFormat::yuan(profile->commission.value_or(0)));
}

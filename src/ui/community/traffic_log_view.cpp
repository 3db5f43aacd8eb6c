#include "traffic_log_view.h"

#include "api/api_service.h"
#include "chart_bars.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "stat_box.h"
#include "ui/common/divider.h"
#include "ui/common/load_state_view.h"
#include "ui/common/modern_card.h"
#include "ui/common/scroll_column.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString gigabytes(const char* format, double value)
{
    return i18n::format(QString::fromLatin1(format), value) + QStringLiteral(" GB");
}

} // namespace

TrafficLogView::Summary TrafficLogView::summarize(const QList<TrafficLogEntry>& entries)
{
    Summary summary;
    for (const auto& entry : entries) {
        summary.total += entry.used;
        summary.maxDay = summary.days == 0 ? entry.used : std::max(summary.maxDay, entry.used);
        ++summary.days;
    }
    return summary;
}

TrafficLogView::TrafficLogView(Services services, QWidget* parent)
    : LoadingSheet(i18n::tr(QStringLiteral("流量明细")), QSize(500, 600), parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("trafficLogView"));
    m_empty = new QWidget(states());
    auto* empty = new QVBoxLayout(m_empty);
    empty->addStretch();
    auto* none = makeLabel(i18n::tr(QStringLiteral("暂无流量记录")), TextStyle::Body, TextColor::Secondary, m_empty);
    none->setObjectName(QStringLiteral("emptyText"));
    none->setAlignment(Qt::AlignCenter);
    empty->addWidget(none);
    empty->addStretch();
    states()->addPage(m_empty);
    body()->addWidget(states());
}

void TrafficLogView::load()
{
    beginLoad();
    whileAlive(
        this, m_services.api.fetchTrafficLog(),
        [this](const QList<TrafficLogEntry>& entries) {
            m_entries = entries;
            if (m_content) {
                m_content->hide();
                m_content->deleteLater();
            }
            m_content = m_entries.isEmpty() ? nullptr : buildContent();
            endLoad(std::nullopt);
        },
        [this](const std::exception&) { endLoad(i18n::tr(QStringLiteral("网络错误，请重试"))); });
}

QWidget* TrafficLogView::loadedPage() { return m_entries.isEmpty() ? m_empty : m_content; }

QWidget* TrafficLogView::buildContent()
{
    const auto summary = summarize(m_entries);
    auto* page = new QWidget(states());
    page->setObjectName(QStringLiteral("trafficContent"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(summaryRow(summary, page));
    column->addWidget(chartCard(summary, page));
    column->addWidget(listCard(page), 1);
    states()->addPage(page);
    return page;
}

QWidget* TrafficLogView::summaryRow(const Summary& summary, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("summaryRow"));
    auto* boxes = new QHBoxLayout(row);
    boxes->setContentsMargins(Spacing::l, Spacing::l, Spacing::l, 0);
    boxes->setSpacing(10);
    boxes->addWidget(
        new StatBox({i18n::tr(QStringLiteral("近30天总用量")), {}, {}}, gigabytes("%.1f", summary.total), row), 1);
    boxes->addWidget(
        new StatBox({i18n::tr(QStringLiteral("最高单日")), {}, {}}, gigabytes("%.1f", summary.maxDay), row), 1);
    boxes->addWidget(new StatBox({i18n::tr(QStringLiteral("记录天数")), {}, {}}, QString::number(summary.days), row),
                     1);
    return row;
}

QWidget* TrafficLogView::chartCard(const Summary& summary, QWidget* parent)
{
    auto* holder = new QWidget(parent);
    auto* margins = new QVBoxLayout(holder);
    margins->setContentsMargins(Spacing::l, 0, Spacing::l, 0);
    auto* card = new ModernCard(Qt::AlignLeft, 10, holder);
    card->setObjectName(QStringLiteral("chartCard"));
    card->addWideRow(makeLabel(i18n::tr(QStringLiteral("每日用量")), TextStyle::Headline, TextColor::Primary, card));
    if (summary.maxDay > 0)
        card->addWideRow(new ChartBars(m_entries, summary.maxDay, card));
    margins->addWidget(card);
    return holder;
}

QWidget* TrafficLogView::listCard(QWidget* parent)
{
    auto* scroll = new ScrollColumn(0, QMargins(Spacing::l, 0, Spacing::l, Spacing::l), parent);
    // The list card ends where the chart card above it ends, with or without a scroll bar.
    scroll->setScrollBarInMargin();
    auto* card = new ModernCard(Qt::AlignLeft, 0, scroll->content());
    card->setObjectName(QStringLiteral("listCard"));
    auto* heading = makeLabel(i18n::tr(QStringLiteral("记录明细")), TextStyle::Headline, TextColor::Primary, card);
    heading->setContentsMargins(0, 0, 0, 6);
    card->addWideRow(heading);
    const auto lastDate = m_entries.last().date;
    for (const auto& entry : m_entries) {
        auto* row = new QWidget(card);
        row->setObjectName(QStringLiteral("day"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 5, 0, 5);
        // The date is the service's text: one line, giving way to the figure.
        auto* date = makeOneLineLabel(entry.date, TextStyle::Body, TextColor::Primary, row);
        date->setObjectName(QStringLiteral("date"));
        line->addWidget(date);
        line->addStretch();
        auto* used = makeLabel(gigabytes("%.2f", entry.used), TextStyle::Body, TextColor::Blue, row);
        used->setObjectName(QStringLiteral("used"));
        used->setFont(Theme::of(this).monospacedDigitFont(TextStyle::Body));
        line->addWidget(used);
        card->addWideRow(row);
        if (entry.date != lastDate)
            card->addWideRow(new Divider(card));
    }
    scroll->column()->addWidget(card);
    scroll->column()->addStretch();
    return scroll;
}

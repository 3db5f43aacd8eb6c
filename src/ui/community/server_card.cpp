#include "server_card.h"

#include "platform/text_table.h"
#include "ui/common/divider.h"
#include "ui/common/fair_share_row.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>

namespace {

QString runningText(bool running) { return i18n::tr(running ? QStringLiteral("运行中") : QStringLiteral("离线")); }

TextColor runningColor(bool running) { return running ? TextColor::Green : TextColor::Red; }

} // namespace

QList<ServerCard::Content> ServerCard::statusTiles(const std::optional<ServerStatusData>& status)
{
    const bool core = status && status->xray_running;
    const bool panel = status && status->panel_running;
    QMap<QString, QString> coreDetails;
    if (status) {
        coreDetails.insert(i18n::tr(QStringLiteral("运行时间")), status->xray_uptime);
        // The CPU text is the row's label and the memory text its value: one row shows both.
        coreDetails.insert(QStringLiteral("CPU: %1%").arg(status->xray_cpu),
                           QStringLiteral("Mem: %1%").arg(status->xray_mem));
    }
    const QString none = QStringLiteral("-");
    return {
        {QStringLiteral("bolt.shield"), runningColor(core), QStringLiteral("Xray"), runningText(core), coreDetails},
        {QStringLiteral("rectangle.3.group"), runningColor(panel), QStringLiteral("3X-UI"), runningText(panel), {}},
        {QStringLiteral("clock"),
         TextColor::Blue,
         i18n::tr(QStringLiteral("启动时间")),
         status ? status->server_uptime : none,
         {}},
        {QStringLiteral("chart.bar.fill"),
         TextColor::Orange,
         i18n::tr(QStringLiteral("系统负载")),
         status ? status->load_avg : none,
         {}},
    };
}

ServerCard::ServerCard(const Content& content, QWidget* parent)
    : ModernCard(Qt::AlignLeft, Spacing::s, parent)
    , m_content(content)
{
    setObjectName(QStringLiteral("serverCard"));
    auto* top = new QHBoxLayout;
    top->setSpacing(Spacing::s);
    top->addWidget(new SymbolView(content.icon, 20, content.iconColor, this));
    auto* title = makeLabel(content.title, TextStyle::Headline, TextColor::Primary, this);
    title->setObjectName(QStringLiteral("title"));
    top->addWidget(title);
    top->addStretch();
    addWideRow(top);
    // The start time and the load come from the server as text: one line, cut to the tile.
    auto* subtitle = makeOneLineLabel(content.subtitle, TextStyle::Subheadline, TextColor::Secondary, this);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    addWideRow(subtitle);
    // Tiles of a grid row share its height: their content stays at the top.
    column()->addStretch();
    if (content.details.isEmpty())
        return;
    column()->insertWidget(column()->count() - 1, new Divider(this));
    for (auto it = content.details.cbegin(); it != content.details.cend(); ++it) {
        // The core's running time and figures come from the server: label and value share the
        // row, each cut to its share when both do not fit.
        auto* row = new FairShareRow;
        auto* key = makeOneLineLabel(it.key(), TextStyle::Caption, TextColor::Secondary, this);
        key->setObjectName(QStringLiteral("detailKey"));
        row->addWidget(key);
        row->addStretch();
        // In the key's face: the text face's digits are of one width already ("CPU: 12%" beside
        // "Mem: 34%").
        auto* value = makeOneLineLabel(it.value(), TextStyle::Caption, TextColor::Primary, this);
        value->setObjectName(QStringLiteral("detailValue"));
        row->addWidget(value);
        column()->insertLayout(column()->count() - 1, row);
    }
}

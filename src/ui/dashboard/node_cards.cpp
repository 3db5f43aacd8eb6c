#include "node_cards.h"

#include "app/app_state.h"
#include "dashboard_style.h"
#include "platform/text_table.h"
#include "subscription_card.h"
#include "ui/common/divider.h"
#include "ui/common/icon_button.h"
#include "ui/common/number_formats.h"
#include "ui/common/row_button.h"
#include "ui/common/status_dot.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int maxFavorites = 3;
constexpr int maxRecent = 5;
constexpr int maxListed = 5;

// Node's operator== compares ids only; a row must also follow a renamed or re-measured node.
bool sameFaces(const QList<Node>& a, const QList<Node>& b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const Node& x, const Node& y) {
        return x.id == y.id && x.name == y.name && x.status == y.status && x.delay == y.delay
            && x.location == y.location;
    });
}

} // namespace

NodeRowsCard::NodeRowsCard(Listing listing, QWidget* parent)
    : ModernCard(Qt::AlignLeft, 8, parent)
    , m_listing(std::move(listing))
{
    addWideRow(new SymbolLabel(m_listing.symbol, m_listing.title, TextStyle::Headline, m_listing.color, this));
}

void NodeRowsCard::refresh()
{
    const auto nodes = m_listing.nodes().mid(0, m_listing.limit);
    if (m_listing.hiddenWhenEmpty)
        setVisible(!nodes.isEmpty());
    if (sameFaces(nodes, m_shown) && m_rows.size() == nodes.size())
        return;
    // A row may be the sender of the change (its star): leave its deletion to the event loop.
    for (auto* row : std::as_const(m_rows))
        row->deleteLater();
    m_rows.clear();
    m_shown = nodes;
    for (const auto& node : nodes) {
        auto* row = makeRow(node);
        connect(row, &QPushButton::clicked, this, [this, node] { emit nodeChosen(node); });
        addWideRow(row);
        m_rows.append(row);
    }
}

void NodeRowsCard::addNodeFace(RowButton* row, const Node& node, bool withDelay)
{
    row->addPart(makeLabel(node.regionEmoji(), TextStyle::Title3, TextColor::Primary, row), 0, Qt::AlignVCenter);

    auto* text = new QWidget(row);
    auto* column = new QVBoxLayout(text);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addWidget(makeOneLineLabel(node.name, TextStyle::Callout, TextColor::Primary, text));
    auto* status = new QHBoxLayout;
    status->setSpacing(4);
    auto* light = new StatusDot(5, text);
    light->setColor(node.isOnline() ? TextColor::Green : TextColor::Gray);
    status->addWidget(light, 0, Qt::AlignVCenter);
    status->addWidget(makeLabel(node.isOnline() ? i18n::tr(QStringLiteral("在线")) : i18n::tr(QStringLiteral("离线")),
                                TextStyle::Caption2, TextColor::Secondary, text));
    if (withDelay && node.delay) {
        auto* delay = makeLabel(QString::number(*node.delay) + QStringLiteral("ms"), TextStyle::Caption2,
                                DashboardStyle::latencyColor(*node.delay), text);
        delay->setObjectName(QStringLiteral("delay"));
        delay->setFont(Theme::of(delay).monospacedDigitFont(TextStyle::Caption2));
        status->addWidget(delay);
    }
    status->addStretch();
    column->addLayout(status);
    row->addPart(text, 0, Qt::AlignVCenter);
    row->addStretch();
}

RowButton* NodeRowsCard::makeRow(const Node& node)
{
    auto* row = new RowButton(Button::Style::Plain, this);
    row->row()->setContentsMargins(0, 2, 0, 2);
    addNodeFace(row, node, true);
    row->addPart(new SymbolView(QStringLiteral("chevron.right"), 10, TextColor::Secondary, row), 0, Qt::AlignVCenter);
    return row;
}

NodeRowsCard* makeRecentNodesCard(AppState& appState, QWidget* parent)
{
    auto* card = new NodeRowsCard({QStringLiteral("clock.arrow.circlepath"), i18n::tr(QStringLiteral("最近使用")),
                                   TextColor::Accent, [&appState] { return appState.recentNodes(); }, maxRecent, true},
                                  parent);
    card->refresh();
    return card;
}

NodeRowsCard* makeNodeListCard(AppState& appState, QWidget* parent)
{
    auto* card = new NodeRowsCard({QStringLiteral("point.3.connected.trianglepath.dotted"),
                                   i18n::tr(QStringLiteral("节点列表")), TextColor::Accent,
                                   [&appState] { return appState.nodes(); }, maxListed, false},
                                  parent);
    card->refresh();
    return card;
}

FavoritesCard::FavoritesCard(AppState& appState, QWidget* parent)
    : NodeRowsCard({QStringLiteral("star.fill"), i18n::tr(QStringLiteral("收藏节点")), TextColor::Yellow,
                    [&appState] { return appState.favoriteNodes(); }, maxFavorites, true},
                   parent)
    , m_appState(appState)
{
    refresh();
}

RowButton* FavoritesCard::makeRow(const Node& node)
{
    auto* row = new RowButton(Button::Style::Plain, this);
    row->row()->setContentsMargins(0, 4, 0, 4);
    addNodeFace(row, node, false);
    auto* star = new IconButton(QStringLiteral("star.fill"), 12, row);
    star->setObjectName(QStringLiteral("favoriteStar"));
    star->setTint(TextColor::Yellow);
    const qint64 id = node.id;
    connect(star, &QToolButton::clicked, this, [this, id] { m_appState.toggleFavorite(id); });
    row->addControl(star);
    return row;
}

InviteCard::InviteCard(AppState& appState, QWidget* parent)
    : ModernCard(Qt::AlignHCenter, 12, parent)
    , m_appState(appState)
{
    addRow(new SymbolLabel(QStringLiteral("person.badge.plus"), i18n::tr(QStringLiteral("邀请好友")),
                           TextStyle::Headline, TextColor::Green, this));

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(makeLabel(i18n::tr(QStringLiteral("邀请链接")), TextStyle::Caption, TextColor::Secondary, this));
    codeRow->addStretch();
    m_code = makeOneLineLabel(QString(), TextStyle::Caption, TextColor::Accent, this);
    m_code->setFont(Theme::of(this).monospacedDigitFont(TextStyle::Caption));
    codeRow->addWidget(m_code);
    m_copy = new Button(i18n::tr(QStringLiteral("复制")), Button::Style::Bordered, this);
    m_copy->setFont(Theme::of(this).font(TextStyle::Caption));
    connect(m_copy, &QPushButton::clicked, this, &InviteCard::copyCode);
    codeRow->addWidget(m_copy);
    addWideRow(codeRow);

    auto* figures = new QHBoxLayout;
    m_expiry = addFigureColumn(figures, i18n::tr(QStringLiteral("到期")), TextColor::Orange, this, FigureText::outside);
    figures->addWidget(new Divider(30, this), 0, Qt::AlignVCenter);
    m_commission = addFigureColumn(figures, i18n::tr(QStringLiteral("邀请返佣")), TextColor::Green, this);
    addWideRow(figures);

    m_copyLink = new Button(i18n::tr(QStringLiteral("复制邀请链接")), Button::Style::Bordered, this);
    m_copyLink->setSymbol(QStringLiteral("doc.on.doc"));
    m_copyLink->setFont(Theme::of(this).font(TextStyle::Caption));
    m_copyLink->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_copyLink, &QPushButton::clicked, this, &InviteCard::copyCode);
    addWideRow(m_copyLink);

    refresh();
}

void InviteCard::refresh()
{
    const auto& profile = m_appState.profile();
    const bool shown = profile && profile->inviteCode;
    setVisible(shown);
    if (!shown)
        return;
    m_code->setText(*profile->inviteCode);
    m_expiry->setText(profile->expire.value_or(i18n::tr(QStringLiteral("永久"))));
    m_commission->setText(NumberFormat::yuan(profile->commission.value_or(0)));
}

void InviteCard::copyCode() { QGuiApplication::clipboard()->setText(m_code->text()); }

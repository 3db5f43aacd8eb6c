#include "sidebar_view.h"

#include "platform/paths.h"
#include "platform/text_format.h"
#include "platform/text_table.h"
#include "ui/common/icons.h"
#include "ui/common/linear_progress.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"
#include "ui/shell/tab_screens.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

// One selectable row of the sidebar: a symbol and a text, highlighted while selected.
class SidebarEntry : public QAbstractButton {
public:
    SidebarEntry(const QString& text, const QString& symbol, QWidget* parent)
        : QAbstractButton(parent)
        , m_symbol(symbol)
    {
        setText(text);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setFont(Theme::of(this).font(TextStyle::Body));
        setFixedHeight(32);
    }

    QSize sizeHint() const override { return {160, 32}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const auto& p = Theme::of(this).palette();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(0, 1, 0, -1);
        if (isChecked()) {
            QColor fill = p.accent;
            fill.setAlphaF(p.dark ? 0.32 : 0.16);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(frame, 7, 7);
        } else if (underMouse()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(p.controlHover);
            painter.drawRoundedRect(frame, 7, 7);
        }
        const int glyph = 17;
        painter.drawPixmap(QPointF(10, (height() - glyph) / 2.0),
                           Icons::pixmap(m_symbol, p.accent, glyph, devicePixelRatioF()));
        painter.setPen(p.text);
        painter.setFont(isChecked() ? Theme::of(this).font(TextStyle::Body, QFont::Medium) : font());
        painter.drawText(QRectF(10 + glyph + 10, 0, width() - glyph - 24, height()), Qt::AlignVCenter | Qt::AlignLeft,
                         text());
    }

private:
    QString m_symbol;
};

namespace {

// The account row is one big flat button.
class AccountRowButton : public QAbstractButton {
public:
    explicit AccountRowButton(QWidget* parent)
        : QAbstractButton(parent)
    {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QSize(160, 44); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!underMouse())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::of(this).palette().controlHover);
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }
};

// A circle in the accent colour at low opacity with a letter on it.
class AvatarView : public QWidget {
public:
    AvatarView(const QString& letter, QWidget* parent)
        : QWidget(parent)
        , m_letter(letter)
    {
        setFixedSize(34, 34);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const auto& p = Theme::of(this).palette();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = p.accent;
        fill.setAlphaF(0.15);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(p.accent);
        painter.setFont(Theme::of(this).font(TextStyle::Callout, QFont::Bold));
        painter.drawText(rect(), Qt::AlignCenter, m_letter);
    }

private:
    QString m_letter;
};

QLabel* sectionTitle(const QString& text, QWidget* parent)
{
    auto* label = makeLabel(text, TextStyle::Caption, QFont::DemiBold, TextColor::Tertiary, parent);
    label->setContentsMargins(10, Spacing::m, 0, Spacing::xs);
    return label;
}

void clearLayout(QLayout* layout)
{
    while (auto* item = layout->takeAt(0)) {
        if (auto* widget = item->widget()) {
            // Out of the tree at once, so that nothing finds the old rows any more.
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        if (auto* child = item->layout()) {
            clearLayout(child);
        }
        delete item;
    }
}

QWidget* logo(QWidget* parent)
{
    const QPixmap image(Paths::resourcesDir() + QStringLiteral("/logo_small.png"));
    if (image.isNull())
        return new SymbolView(QStringLiteral("bolt.shield.fill"), 32, TextColor::Accent, parent);
    // Shown 32 px square, clipped to a rounded square.
    auto* label = new QLabel(parent);
    const qreal ratio = label->devicePixelRatioF();
    QPixmap rounded(QSize(32, 32) * ratio);
    rounded.setDevicePixelRatio(ratio);
    rounded.fill(Qt::transparent);
    QPainter painter(&rounded);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, 32, 32), 6, 6);
    painter.setClipPath(clip);
    painter.drawPixmap(QRect(0, 0, 32, 32), image);
    painter.end();
    label->setPixmap(rounded);
    return label;
}

} // namespace

SidebarView::SidebarView(QWidget* parent)
    : QWidget(parent)
{
    setFixedWidth(220);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Spacing::s + 2, Spacing::l, Spacing::s + 2, Spacing::m);
    column->setSpacing(2);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(10);
    heading->setContentsMargins(8, Spacing::xs, 0, Spacing::xs);
    heading->addWidget(logo(this));
    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    names->addWidget(
        makeLabel(QStringLiteral("Velmorand"), TextStyle::Headline, QFont::Bold, TextColor::Primary, this));
    names->addWidget(makeLabel(QStringLiteral("VPN"), TextStyle::Caption2, TextColor::Secondary, this));
    heading->addLayout(names);
    heading->addStretch();
    column->addLayout(heading);

    column->addWidget(sectionTitle(i18n::tr(QStringLiteral("导航")), this));
    const char* const symbols[navigationTabs.size()] = {"gauge.medium", "list.bullet", "gearshape", "server.rack"};
    for (std::size_t index = 0; index < navigationTabs.size(); ++index) {
        const auto tab = navigationTabs[index];
        auto* entry = new SidebarEntry(navigationTabTitle(tab), QLatin1String(symbols[index]), this);
        entry->setObjectName(QStringLiteral("tabEntry%1").arg(index));
        // A click on the highlighted entry would toggle it off: the highlight follows the pick.
        connect(entry, &QAbstractButton::clicked, this, [this, tab] {
            setSelectedTab(tab);
            emit tabSelected(tab);
        });
        m_entries.append(entry);
        column->addWidget(entry);
    }

    column->addWidget(sectionTitle(i18n::tr(QStringLiteral("订阅信息")), this));
    m_subscription = new QVBoxLayout;
    m_subscription->setContentsMargins(10, Spacing::xs, 10, Spacing::xs);
    m_subscription->setSpacing(Spacing::xs);
    column->addLayout(m_subscription);
    column->addStretch();

    auto* account = new AccountRowButton(this);
    account->setObjectName(QStringLiteral("accountRow"));
    m_accountRow = new QVBoxLayout(account);
    // Narrow at the sides, for the traffic line in the longer languages: the chevron's symbol has
    // room of its own at its right.
    m_accountRow->setContentsMargins(6, Spacing::xs + 2, 4, Spacing::xs + 2);
    connect(account, &QAbstractButton::clicked, this, [this] { emit tabSelected(MainTab::account); });
    column->addWidget(account);

    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
    setSelectedTab(MainTab::dashboard);
    rebuildAccount();
}

void SidebarView::setSelectedTab(MainTab tab)
{
    for (int i = 0; i < m_entries.size(); ++i)
        m_entries[i]->setChecked(navigationTabs[i] == tab);
}

void SidebarView::setAccount(bool isLoggedIn, const std::optional<UserProfileResponse>& profile)
{
    m_isLoggedIn = isLoggedIn;
    m_profile = profile;
    rebuildAccount();
}

double SidebarView::trafficFraction(const UserProfileResponse& profile)
{
    // Without a total the share of it is unknown.
    if (!profile.trafficTotal)
        return 0.0;
    const double used = profile.trafficUsed.value_or(0);
    const double total = *profile.trafficTotal;
    return total >= 1 ? used / total : used;
}

QString SidebarView::trafficLine(const UserProfileResponse& profile)
{
    const QString total
        = profile.trafficTotal ? i18n::format(QStringLiteral("%.0f"), *profile.trafficTotal) : QStringLiteral("--");
    return i18n::tr(QStringLiteral("流量")) + QStringLiteral(": ")
        + i18n::format(QStringLiteral("%.1f/"), profile.trafficUsed.value_or(0)) + total + QStringLiteral(" GB");
}

QString SidebarView::avatarLetter(const UserProfileResponse& profile)
{
    if (profile.email)
        return profile.email->left(1).toUpper();
    if (profile.name)
        return profile.name->left(1).toUpper();
    return QStringLiteral("V");
}

QString SidebarView::displayName(const UserProfileResponse& profile)
{
    if (profile.name)
        return *profile.name;
    if (profile.email)
        return *profile.email;
    return i18n::tr(QStringLiteral("用户"));
}

void SidebarView::rebuildAccount()
{
    clearLayout(m_subscription);
    if (m_profile) {
        const auto& p = *m_profile;
        auto* plan = makeOneLineLabel(p.plan.value_or(i18n::tr(QStringLiteral("体验版"))), TextStyle::Headline,
                                      TextColor::Primary, this);
        plan->setObjectName(QStringLiteral("planName"));
        m_subscription->addWidget(plan);
        auto* traffic = makeOneLineLabel(trafficLine(p), TextStyle::Caption, TextColor::Secondary, this);
        traffic->setObjectName(QStringLiteral("trafficLine"));
        m_subscription->addWidget(traffic);
        auto* bar = new LinearProgress(this);
        bar->setObjectName(QStringLiteral("trafficBar"));
        const double fraction = trafficFraction(p);
        bar->setValue(std::min(fraction, 1.0));
        bar->setTint(fraction > 0.8 ? TextColor::Red : TextColor::Blue);
        m_subscription->addWidget(bar);
    } else {
        auto* signedOut = makeLabel(i18n::tr(QStringLiteral("未登录")), TextStyle::Body, TextColor::Secondary, this);
        signedOut->setObjectName(QStringLiteral("subscriptionSignedOut"));
        m_subscription->addWidget(signedOut);
    }

    clearLayout(m_accountRow);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    auto* owner = m_accountRow->parentWidget();
    auto* chevron = new SymbolView(QStringLiteral("chevron.right"), 10, TextColor::Secondary, owner);
    if (m_isLoggedIn && m_profile) {
        const auto& p = *m_profile;
        row->addWidget(new AvatarView(avatarLetter(p), owner));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        // The row is as wide as the sidebar in every language: the name gives way to the chevron
        // beside it.
        auto* nameRow = new QHBoxLayout;
        nameRow->setSpacing(10);
        auto* name = makeOneLineLabel(displayName(p), TextStyle::Callout, QFont::Medium, TextColor::Primary, owner);
        name->setObjectName(QStringLiteral("accountName"));
        nameRow->addWidget(name, 1);
        nameRow->addWidget(chevron);
        texts->addLayout(nameRow);
        // The traffic line runs on under the chevron, to the row's end: so the longest language
        // holds four digits of use and the largest plan's total.
        auto* traffic = makeOneLineLabel(trafficLine(p), TextStyle::Caption2, TextColor::Secondary, owner);
        traffic->setObjectName(QStringLiteral("accountTraffic"));
        texts->addWidget(traffic);
        row->addLayout(texts, 1);
    } else {
        row->addWidget(new SymbolView(QStringLiteral("person.crop.circle"), 24, TextColor::Secondary, owner));
        auto* name = makeLabel(i18n::tr(QStringLiteral("未登录")), TextStyle::Callout, TextColor::Secondary, owner);
        name->setObjectName(QStringLiteral("accountName"));
        row->addWidget(name, 1);
        row->addWidget(chevron);
    }
    // The labels must not take the clicks of the row's button.
    for (auto* label : owner->findChildren<QWidget*>())
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_accountRow->addLayout(row);
}

void SidebarView::paintEvent(QPaintEvent*)
{
    const auto& p = Theme::of(this).palette();
    QPainter painter(this);
    painter.fillRect(rect(), p.sidebar);
    painter.setPen(p.separator);
    painter.drawLine(rect().topRight(), rect().bottomRight());
}

#include "public_ip_card.h"

#include "platform/text_table.h"
#include "ui/common/icon_button.h"
#include "ui/common/spinner.h"
#include "ui/common/symbol_label.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QFont addressFont(const QWidget* label)
{
    QFont font = Theme::of(label).monospacedDigitFont(TextStyle::Title3);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace

PublicIPCard::PublicIPCard(QWidget* parent)
    : ModernCard(Qt::AlignLeft, 12, parent)
{
    auto* header = new QHBoxLayout;
    header->addWidget(new SymbolLabel(QStringLiteral("network"), i18n::tr(QStringLiteral("本机 IP")),
                                      TextStyle::Headline, TextColor::Accent, this));
    header->addStretch();
    m_refresh = new IconButton(QStringLiteral("arrow.clockwise"), 14, this);
    connect(m_refresh, &QToolButton::clicked, this, &PublicIPCard::refreshRequested);
    header->addWidget(m_refresh);
    addWideRow(header);

    m_body = new QStackedWidget(this);
    m_addressBody = new QWidget(m_body);
    auto* addressColumn = new QVBoxLayout(m_addressBody);
    addressColumn->setContentsMargins(0, 0, 0, 0);
    addressColumn->setSpacing(2);
    m_address = makeLabel(QString(), TextStyle::Title3, TextColor::Primary, m_addressBody);
    m_address->setFont(addressFont(m_address));
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_location = makeLabel(QString(), TextStyle::Caption, TextColor::Secondary, m_addressBody);
    addressColumn->addWidget(m_address);
    addressColumn->addWidget(m_location);

    m_fetchingBody = new QWidget(m_body);
    auto* fetchingRow = new QHBoxLayout(m_fetchingBody);
    fetchingRow->setContentsMargins(0, 0, 0, 0);
    fetchingRow->addWidget(new Spinner(14, m_fetchingBody));
    fetchingRow->addWidget(
        makeLabel(i18n::tr(QStringLiteral("获取中...")), TextStyle::Caption, TextColor::Secondary, m_fetchingBody));
    fetchingRow->addStretch();

    m_unknownBody = makeLabel(QStringLiteral("--"), TextStyle::Title3, TextColor::Secondary, m_body);
    m_unknownBody->setFont(addressFont(m_unknownBody));

    m_body->addWidget(m_addressBody);
    m_body->addWidget(m_fetchingBody);
    m_body->addWidget(m_unknownBody);
    addWideRow(m_body);

    m_footer = makeLabel(i18n::tr(QStringLiteral("当前为代理出口 IP")), TextStyle::Caption2, TextColor::Green, this);
    addRow(m_footer);

    display(std::nullopt, false, false);
}

QWidget* PublicIPCard::currentBody() const { return m_body->currentWidget(); }

void PublicIPCard::display(const std::optional<PublicIPInfo>& info, bool isFetching, bool connected)
{
    m_refresh->setEnabled(!isFetching);
    if (info) {
        m_address->setText(info->ip);
        const QString place = info->locationText();
        m_location->setText(place);
        m_location->setVisible(!place.isEmpty());
        m_body->setCurrentWidget(m_addressBody);
    } else {
        m_body->setCurrentWidget(isFetching ? m_fetchingBody : static_cast<QWidget*>(m_unknownBody));
    }
    // A stacked widget is as tall as its tallest page; keep only the shown page's height.
    for (int i = 0; i < m_body->count(); ++i)
        m_body->widget(i)->setSizePolicy(QSizePolicy::Preferred,
                                         m_body->widget(i) == m_body->currentWidget() ? QSizePolicy::Preferred
                                                                                      : QSizePolicy::Ignored);
    m_body->adjustSize();
    m_footer->setVisible(connected && info);
}

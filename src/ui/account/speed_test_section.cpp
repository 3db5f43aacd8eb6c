#include "speed_test_section.h"

#include "connection/vpn_connection.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/common/button.h"
#include "ui/common/spinner.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

QHBoxLayout* resultRow(const QString& caption, QLabel* value)
{
    auto* row = new QHBoxLayout;
    row->addWidget(makeLabel(caption, TextStyle::Body));
    row->addStretch();
    row->addWidget(value);
    return row;
}

} // namespace

SpeedTestSection::SpeedTestSection(VpnConnection& connection, PingService& ping, SpeedTest::Options options,
                                   QWidget* parent)
    : Section(i18n::tr(QStringLiteral("测速")), parent)
    , m_connection(connection)
    , m_test(connection, ping, std::move(options))
{
    const auto testing = i18n::tr(QStringLiteral("测试中"));
    m_progress = new QWidget(this);
    auto* progressRow = new QHBoxLayout(m_progress);
    progressRow->setContentsMargins(0, 0, 0, 0);
    progressRow->setSpacing(8);
    progressRow->addWidget(new Spinner(14, m_progress));
    progressRow->addWidget(makeLabel(testing, TextStyle::Subheadline, TextColor::Secondary, m_progress));
    progressRow->addStretch();
    addRow(m_progress);

    m_resultRows = new QWidget(this);
    auto* rows = new QVBoxLayout(m_resultRows);
    rows->setContentsMargins(0, 0, 0, 0);
    m_download = makeLabel(QString(), TextStyle::Body, QFont::Medium, TextColor::Blue, m_resultRows);
    m_download->setObjectName(QStringLiteral("downloadSpeed"));
    rows->addLayout(resultRow(i18n::tr(QStringLiteral("下载速度")), m_download));
    m_latency = makeLabel(QString(), TextStyle::Body, TextColor::Secondary, m_resultRows);
    m_latency->setObjectName(QStringLiteral("latency"));
    rows->addLayout(resultRow(i18n::tr(QStringLiteral("延迟")), m_latency));
    addRow(m_resultRows);

    m_empty = makeLabel(i18n::tr(QStringLiteral("暂无测速结果")), TextStyle::Subheadline, TextColor::Secondary, this);
    addRow(m_empty);

    m_start = new Button(QString(), Button::Style::Prominent, this);
    m_start->setObjectName(QStringLiteral("startSpeedTest"));
    m_start->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_start, &QPushButton::clicked, this, [this] { runSpeedTest(); });
    addRow(m_start);

    m_hint = makeLabel(i18n::tr(QStringLiteral("请先连接 VPN 后测速")), TextStyle::Caption, TextColor::Orange, this);
    addRow(m_hint);

    connect(&m_connection, &VpnConnection::stateChanged, this, &SpeedTestSection::refresh);
    refresh();
}

QCoro::Task<> SpeedTestSection::runSpeedTest()
{
    if (m_isTesting)
        co_return;
    m_isTesting = true;
    m_result.reset();
    refresh();
    const auto result = co_await whileAlive(this, m_test.run());
    if (!result)
        co_return;
    m_result = *result;
    m_isTesting = false;
    refresh();
}

void SpeedTestSection::refresh()
{
    const bool connected = m_connection.state() == ConnectionState::connected;
    m_progress->setVisible(m_isTesting);
    m_resultRows->setVisible(m_result.has_value());
    if (m_result) {
        m_download->setText(m_result->download);
        m_latency->setText(latencyText(m_result->latency));
    }
    m_empty->setVisible(!m_result && !m_isTesting);
    m_start->setText(i18n::tr(m_isTesting ? QStringLiteral("测试中") : QStringLiteral("开始测速")));
    m_start->setBusy(m_isTesting);
    m_start->setEnabled(!m_isTesting && connected);
    m_hint->setVisible(!connected);
}

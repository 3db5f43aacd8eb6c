#include "dns_section.h"

#include "connection/custom_dns.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/text_table.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"

#include <QLabel>
#include <QLineEdit>

DnsSection::DnsSection(SettingsStore& settings, QWidget* parent)
    : Section(i18n::tr(QStringLiteral("DNS 设置")), parent)
    , m_settings(settings)
    , m_field(makeTextField(this))
    , m_hint(SettingsForm::makeCaption(QString(), this))
{
    m_field->setObjectName(QStringLiteral("customDNS"));
    m_field->setPlaceholderText(i18n::tr(QStringLiteral("自定义 DNS 服务器")));
    m_field->setText(m_settings.stringOr(SettingsKeys::customDNS, QString()));
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_settings.setValue(SettingsKeys::customDNS, text);
        refreshHint();
    });
    addRow(m_field);
    addRow(m_hint);
    refreshHint();
}

void DnsSection::refreshHint()
{
    const auto text = m_field->text();
    const auto servers = CustomDns::parse(text);
    if (servers && !servers->isEmpty()) {
        m_hint->setText(i18n::tr(QStringLiteral("连接 VPN 后将使用此 DNS")));
        setTextColor(m_hint, TextColor::Secondary);
    } else if (servers) {
        m_hint->setText(i18n::tr(QStringLiteral("留空使用系统默认 DNS")));
        setTextColor(m_hint, TextColor::Secondary);
    } else {
        m_hint->setText(i18n::tr(QStringLiteral("DNS 地址无效，不会使用：请填写 IPv4 或 IPv6 地址，用逗号分隔")));
        setTextColor(m_hint, TextColor::Red);
    }
}

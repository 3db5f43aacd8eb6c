#include "converter_view.h"

#include "api/api_service.h"
#include "config_preview_view.h"
#include "copy_feedback.h"
#include "platform/text_table.h"
#include "platform/while_alive.h"
#include "ui/common/button.h"
#include "ui/common/modern_card.h"
#include "ui/common/scroll_column.h"
#include "ui/common/text_label.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>

const QList<ConverterView::Format>& ConverterView::formats()
{
    static const QList<Format> list{
        {QStringLiteral("clash"), QStringLiteral("Clash / Mihomo")},
        {QStringLiteral("shadowrocket"), QStringLiteral("Shadowrocket")},
        {QStringLiteral("singbox"), QStringLiteral("Sing-Box")},
        {QStringLiteral("v2ray"), QStringLiteral("V2Ray")},
    };
    return list;
}

ConverterView::ConverterView(const CommerceServices& services, QWidget* parent)
    : FramedSheet(i18n::tr(QStringLiteral("转换器")), {520, 520}, parent)
    , m_services(services)
    , m_api(new ApiService(services.api, this))
{
    auto* scroll = new ScrollColumn(14, QMargins(Spacing::l, Spacing::l, Spacing::l, Spacing::l), this);
    auto* column = scroll->column();
    auto* inner = scroll->content();
    column->addWidget(buildInputCard(inner));
    column->addWidget(buildFormatCard(inner));
    m_error = makeLabel(QString(), TextStyle::Caption, TextColor::Red, inner);
    m_error->setWordWrap(true);
    m_error->setContentsMargins(Spacing::l, 0, Spacing::l, 0);
    column->addWidget(m_error);
    column->addWidget(buildResultCard(inner));
    column->addStretch();
    body()->addWidget(scroll);
    refresh();
}

QWidget* ConverterView::buildInputCard(QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, 10, parent);
    card->addRow(makeLabel(i18n::tr(QStringLiteral("订阅链接")), TextStyle::Headline));
    m_link = new QPlainTextEdit(card);
    m_link->setFixedHeight(70);
    m_link->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    connect(m_link, &QPlainTextEdit::textChanged, this, &ConverterView::refresh);
    card->addWideRow(m_link);
    // The whole hint, address included, is the key of the lookup.
    m_hint = makeLabel(
        i18n::tr(QStringLiteral("粘贴你的订阅链接，如 ") + m_services.serviceAddress + QStringLiteral("/api/sub/xxxx")),
        TextStyle::Caption, TextColor::Secondary, card);
    m_hint->setWordWrap(true);
    card->addWideRow(m_hint);
    return card;
}

QWidget* ConverterView::buildFormatCard(QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, 10, parent);
    card->addRow(makeLabel(i18n::tr(QStringLiteral("目标格式")), TextStyle::Headline));
    auto* picker = new QHBoxLayout;
    picker->setSpacing(0);
    auto* group = new QButtonGroup(card);
    for (const auto& format : formats()) {
        auto* segment = new Button(format.name, Button::Style::Bordered, card);
        segment->setObjectName(format.id);
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(segment);
        connect(segment, &QPushButton::clicked, this, [this, id = format.id] { setFormat(id); });
        picker->addWidget(segment, 1);
        m_formatButtons.append(segment);
    }
    card->addWideRow(picker);
    m_convert = new Button(i18n::tr(QStringLiteral("开始转换")), Button::Style::Prominent, card);
    m_convert->setSymbol(QStringLiteral("arrow.triangle.2.circlepath"));
    m_convert->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_convert, &QPushButton::clicked, this, &ConverterView::convert);
    card->addWideRow(m_convert);
    return card;
}

QWidget* ConverterView::buildResultCard(QWidget* parent)
{
    auto* card = new ModernCard(Qt::AlignLeft, 10, parent);
    m_resultCard = card;
    auto* head = new QHBoxLayout;
    head->addWidget(makeLabel(i18n::tr(QStringLiteral("转换成功")), TextStyle::Headline, TextColor::Green, card));
    head->addStretch();
    m_count = makeLabel(QString(), TextStyle::Caption, TextColor::Secondary, card);
    head->addWidget(m_count);
    card->addWideRow(head);
    m_formatLine = makeOneLineLabel(QString(), TextStyle::Caption, TextColor::Secondary, card);
    card->addWideRow(m_formatLine);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    m_view = new Button(i18n::tr(QStringLiteral("查看配置")), Button::Style::Bordered, card);
    m_view->setSymbol(QStringLiteral("doc.text"));
    m_copy = new Button(i18n::tr(QStringLiteral("复制配置")), Button::Style::Prominent, card);
    m_copy->setSymbol(QStringLiteral("doc.on.doc"));
    for (auto* button : {m_view, m_copy}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttons->addWidget(button, 1);
    }
    connect(m_view, &QPushButton::clicked, this, &ConverterView::openPreview);
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (m_result)
            copyToClipboard(m_result->config.value_or(QString()));
    });
    card->addWideRow(buttons);
    return card;
}

void ConverterView::setFormat(const QString& id)
{
    m_format = id;
    refresh();
}

void ConverterView::convert()
{
    m_loading = true;
    m_errorMsg.reset();
    m_result.reset();
    refresh();
    const auto link = m_link->toPlainText().trimmed();
    whileAlive(
        this, m_api->convert(link, m_format),
        [this](const std::optional<ConvertResponse>& answer) {
            if (answer && answer->config)
                m_result = answer;
            else
                m_errorMsg = answer && answer->error ? *answer->error : i18n::tr(QStringLiteral("转换失败"));
            finishConversion();
        },
        [this](const std::exception&) {
            m_errorMsg = i18n::tr(QStringLiteral("网络错误，请重试"));
            finishConversion();
        });
}

void ConverterView::finishConversion()
{
    m_loading = false;
    refresh();
}

void ConverterView::openPreview()
{
    if (!m_result || m_preview)
        return;
    // The format selected now, which may differ from the one converted.
    m_preview = new ConfigPreviewView(m_result->config.value_or(QString()), m_format, this);
    m_preview->open();
}

void ConverterView::refresh()
{
    // The selected segment is filled.
    for (auto* segment : std::as_const(m_formatButtons)) {
        const bool selected = segment->objectName() == m_format;
        segment->setChecked(selected);
        segment->setButtonStyle(selected ? Button::Style::Prominent : Button::Style::Bordered);
    }
    m_convert->setBusy(m_loading);
    m_convert->setText(m_loading ? QString() : i18n::tr(QStringLiteral("开始转换")));
    m_convert->setEnabled(!m_loading && !m_link->toPlainText().trimmed().isEmpty());
    m_error->setVisible(m_errorMsg.has_value());
    m_error->setText(m_errorMsg.value_or(QString()));
    m_resultCard->setVisible(m_result.has_value());
    if (m_result) {
        m_count->setText(QString::number(m_result->count.value_or(0)) + QStringLiteral(" 节点"));
        m_formatLine->setVisible(m_result->format.has_value());
        m_formatLine->setText(QStringLiteral("格式：") + m_result->format.value_or(QString()));
    }
}

#include "app_picker_dialog.h"

#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
constexpr int iconSize = 24;

// Why an entry of the picker cannot be added: every refusal of a program a desktop entry starts
// comes from what runs it, a script's from its interpreter.
QString refusalSentence(ExemptedProgram::Refusal refusal)
{
    return i18n::tr(refusal == ExemptedProgram::Refusal::script
                        ? QStringLiteral("此应用是脚本,经由其解释器运行,无法单独绕过 VPN")
                        : QStringLiteral("此应用经由 Shell、解释器或沙盒启动器运行,无法单独绕过 VPN"));
}
} // namespace

AppPickerDialog::AppPickerDialog(QList<DesktopApp> apps, QWidget* parent)
    : SheetDialog(parent)
    , m_apps(std::move(apps))
    , m_list(new QListWidget(this))
{
    const auto message = i18n::tr(QStringLiteral("选择不走 VPN 的应用"));
    setWindowTitle(message);
    resize(380, 460);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(makeLabel(message, TextStyle::Headline, TextColor::Primary, this));

    m_list->setIconSize(QSize(iconSize, iconSize));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const auto& app : m_apps)
        m_list->addItem(new QListWidgetItem(DesktopApps::iconFor(app.icon, iconSize), app.name));
    column->addWidget(m_list, 1);
    m_refusal = makeWrappedLabel(QString(), TextStyle::Subheadline, TextColor::Red, this);
    m_refusal->setObjectName(QStringLiteral("appRefusal"));
    m_refusal->hide();
    column->addWidget(m_refusal);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new Button(i18n::tr(QStringLiteral("取消")), Button::Style::Bordered, this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    m_add = new Button(i18n::tr(QStringLiteral("添加")), Button::Style::Prominent, this);
    m_add->setEnabled(false);
    connect(m_add, &QPushButton::clicked, this, &AppPickerDialog::choose);
    buttons->addWidget(m_add);
    column->addLayout(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this, &AppPickerDialog::showSelection);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &AppPickerDialog::choose);
}

bool AppPickerDialog::canAdd(int row) const
{
    return row >= 0 && row < m_apps.size() && m_apps.at(row).refusal == ExemptedProgram::Refusal::none;
}

void AppPickerDialog::showSelection(int row)
{
    m_add->setEnabled(canAdd(row));
    const bool refused = row >= 0 && row < m_apps.size() && !canAdd(row);
    if (refused)
        m_refusal->setText(refusalSentence(m_apps.at(row).refusal));
    m_refusal->setVisible(refused);
}

QString AppPickerDialog::refusalShown() const { return m_refusal->isHidden() ? QString() : m_refusal->text(); }

void AppPickerDialog::choose()
{
    const int row = m_list->currentRow();
    if (!canAdd(row))
        return;
    emit appChosen(m_apps.at(row));
    accept();
}

#include "app_picker_dialog.h"

#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
constexpr int iconSize = 24;
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

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_add->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &AppPickerDialog::choose);
}

void AppPickerDialog::choose()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_apps.size())
        return;
    emit appChosen(m_apps.at(row));
    accept();
}

#include "split_tunnel_section.h"

#include "connection/vpn_connection.h"
#include "platform/exempted_program.h"
#include "platform/text_table.h"
#include "ui/account/app_picker_dialog.h"
#include "ui/common/button.h"
#include "ui/common/plain_tool_tip.h"
#include "ui/common/text_label.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QStandardPaths>

namespace {
constexpr int iconSize = 24;
} // namespace

SplitTunnelSection::SplitTunnelSection(VpnConnection& connection, QStringList applicationDirectories, QWidget* parent)
    : Section(i18n::tr(QStringLiteral("分应用代理")), parent)
    , m_connection(connection)
    , m_directories(std::move(applicationDirectories))
{
    auto* holder = new QWidget(this);
    m_rowsLayout = new QVBoxLayout(holder);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    addRow(holder);
    auto* add = new Button(i18n::tr(QStringLiteral("添加应用...")), Button::Style::Bordered, this);
    add->setObjectName(QStringLiteral("addSplitApp"));
    connect(add, &QPushButton::clicked, this, &SplitTunnelSection::openPicker);
    auto* addRowLayout = new QHBoxLayout;
    addRowLayout->addWidget(add);
    addRowLayout->addStretch();
    addRow(addRowLayout);
    connect(&m_connection, &VpnConnection::splitTunnelAppsChanged, this, &SplitTunnelSection::scheduleRefresh);
    refresh();
}

QList<DesktopApp> SplitTunnelSection::installedApps()
{
    // Read once per screen: the entries do not change while the form is open.
    if (!m_installed)
        m_installed = DesktopApps::scan(m_directories,
                                        [](const QString& program) { return QStandardPaths::findExecutable(program); });
    return *m_installed;
}

void SplitTunnelSection::scheduleRefresh()
{
    // A row's own remove button changes the list: its row goes after the click is handled.
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QMetaObject::invokeMethod(this, &SplitTunnelSection::refresh, Qt::QueuedConnection);
}

void SplitTunnelSection::refresh()
{
    m_refreshQueued = false;
    if (m_rows) {
        m_rows->hide();
        m_rows->deleteLater();
    }
    m_rows = new QWidget(m_rowsLayout->parentWidget());
    m_rowsLayout->addWidget(m_rows);
    auto* column = new QVBoxLayout(m_rows);
    column->setContentsMargins(0, 0, 0, 0);
    const auto paths = m_connection.splitTunnelApps();
    if (paths.isEmpty()) {
        column->addWidget(
            makeLabel(i18n::tr(QStringLiteral("未选择应用")), TextStyle::Subheadline, TextColor::Secondary, m_rows));
        return;
    }
    const auto installed = installedApps();
    for (const auto& path : paths) {
        // A program no desktop entry names shows by its file name, as the engine stores it.
        const auto app = DesktopApps::findByExecutable(installed, path);
        auto* row = new QHBoxLayout;
        auto* icon = new QLabel(m_rows);
        icon->setPixmap(DesktopApps::iconFor(app ? app->icon : QString(), iconSize).pixmap(iconSize, iconSize));
        row->addWidget(icon);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(0);
        auto* name = makeOneLineLabel(app ? app->name : QFileInfo(path).fileName(), TextStyle::Subheadline,
                                      TextColor::Primary, m_rows);
        name->setObjectName(QStringLiteral("splitAppName"));
        name->setToolTip(plainToolTip(path));
        texts->addWidget(name);
        // An entry refused as its file stands now stays listed until the user removes it; the
        // engine leaves it out of the exemption, and the row says so and why.
        if (const auto refusal = ExemptedProgram::refusalOf(path); refusal != ExemptedProgram::Refusal::none) {
            auto* refused = makeOneLineLabel(i18n::tr(QStringLiteral("未绕过 VPN："))
                                                 + i18n::tr(ExemptedProgram::reasonText(refusal)),
                                             TextStyle::Caption, TextColor::Red, m_rows);
            refused->setObjectName(QStringLiteral("splitAppRefusal"));
            texts->addWidget(refused);
        }
        row->addLayout(texts, 1);
        auto* remove = new Button(i18n::tr(QStringLiteral("移除")), Button::Style::Plain, m_rows);
        remove->setTint(TextColor::Red);
        remove->setObjectName(QStringLiteral("removeSplitApp"));
        connect(remove, &QPushButton::clicked, this, [this, path] { m_connection.removeSplitTunnelApp(path); });
        row->addWidget(remove);
        column->addLayout(row);
    }
}

QStringList SplitTunnelSection::shownNames() const
{
    QStringList names;
    if (m_rows) {
        for (const auto* label : m_rows->findChildren<QLabel*>(QStringLiteral("splitAppName")))
            names.append(label->text());
    }
    return names;
}

void SplitTunnelSection::openPicker()
{
    if (m_picker)
        return;
    m_picker = new AppPickerDialog(installedApps(), window());
    connect(m_picker, &AppPickerDialog::appChosen, this,
            [this](const DesktopApp& app) { m_connection.addSplitTunnelApp(app.executable); });
    m_picker->open();
}

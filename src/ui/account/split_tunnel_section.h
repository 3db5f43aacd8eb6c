#pragma once

#include "ui/account/app_picker_dialog.h"
#include "ui/account/desktop_apps.h"
#include "ui/account/settings_form.h"

#include <QPointer>

class QVBoxLayout;
class VpnConnection;

// "分应用代理": the applications whose traffic bypasses the tunnel, one row each with its icon,
// name and a remove button (and, for an entry that cannot be let out as its file stands now, a
// line that says why), and the button that opens the application picker. The engine keeps the
// list (program paths); this section shows it by the desktop entries' names and icons.
class SplitTunnelSection : public SettingsForm::Section {
    Q_OBJECT
public:
    SplitTunnelSection(VpnConnection& connection, QStringList applicationDirectories, QWidget* parent = nullptr);

    // The names shown, in list order.
    QStringList shownNames() const;
    void openPicker();
    AppPickerDialog* picker() const { return m_picker; }

private:
    void scheduleRefresh();
    void refresh();
    QList<DesktopApp> installedApps();

    VpnConnection& m_connection;
    const QStringList m_directories;
    std::optional<QList<DesktopApp>> m_installed;
    QWidget* m_rows = nullptr;
    QVBoxLayout* m_rowsLayout;
    bool m_refreshQueued = false;
    QPointer<AppPickerDialog> m_picker;
};

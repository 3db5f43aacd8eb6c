#pragma once

#include "ui/account/desktop_apps.h"
#include "ui/common/sheet_dialog.h"

class QListWidget;
class QPushButton;

// The sheet in which the user picks one installed application: its icon and name from the
// desktop entries. "添加" (or a double click) reports the choice and closes the sheet.
class AppPickerDialog : public SheetDialog {
    Q_OBJECT
public:
    AppPickerDialog(QList<DesktopApp> apps, QWidget* parent);

    QListWidget* list() const { return m_list; }
    QPushButton* addButton() const { return m_add; }

signals:
    void appChosen(const DesktopApp& app);

private:
    void choose();

    QList<DesktopApp> m_apps;
    QListWidget* m_list;
    QPushButton* m_add;
};

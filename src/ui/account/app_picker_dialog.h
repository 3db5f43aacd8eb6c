#pragma once

#include "ui/account/desktop_apps.h"
#include "ui/common/sheet_dialog.h"

class QLabel;
class QListWidget;
class QPushButton;

// The sheet in which the user picks one installed application: its icon and name from the
// desktop entries. "添加" (or a double click) reports the choice and closes the sheet. An
// application that cannot bypass the tunnel on its own is refused with a line that says why.
class AppPickerDialog : public SheetDialog {
    Q_OBJECT
public:
    AppPickerDialog(QList<DesktopApp> apps, QWidget* parent);

    QListWidget* list() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    // Why the selected application cannot be added; empty when it can.
    QString refusalShown() const;

signals:
    void appChosen(const DesktopApp& app);

private:
    void showSelection(int row);
    void choose();
    bool canAdd(int row) const;

    QList<DesktopApp> m_apps;
    QListWidget* m_list;
    QLabel* m_refusal;
    QPushButton* m_add;
};

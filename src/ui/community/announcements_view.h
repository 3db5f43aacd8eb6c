#pragma once

#include "api/records/account_records.h"
#include "ui/common/sheet_dialog.h"

#include <QList>

// The announcements sheet. Stands in until the sheet itself is written: the titles, newest first.
class AnnouncementsView : public SheetDialog {
    Q_OBJECT
public:
    AnnouncementsView(const QList<Announcement>& announcements, QWidget* parent);
};

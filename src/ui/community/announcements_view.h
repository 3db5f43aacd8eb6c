#pragma once

#include "api/records/account_records.h"
#include "ui/common/sheet_dialog.h"

#include <QList>

// The announcements sheet the toolbar opens: each announcement given by the presenter, in its
// order, with its title, date and content as plain text. It calls nothing and changes nothing;
// marking the announcements as seen is the presenter's work.
class AnnouncementsView : public SheetDialog {
    Q_OBJECT
public:
    AnnouncementsView(const QList<Announcement>& announcements, QWidget* parent);
};

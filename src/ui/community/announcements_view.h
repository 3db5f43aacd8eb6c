#pragma once

#include "api/records/account_records.h"
#include "ui/common/sheet_dialog.h"

#include <QList>

// The announcements sheet the toolbar opens: each announcement given by the presenter, in its
// order, with its title, date and content as plain text. It calls nothing and changes nothing;
// marking the announcements as seen is the presenter's work. It opens as wide as its least width
// whatever the announcements hold: the content wraps and scrolls within it.
class AnnouncementsView : public SheetDialog {
    Q_OBJECT
public:
    AnnouncementsView(const QList<Announcement>& announcements, QWidget* parent);

    // A title is a heading: one paragraph (line breaks shown as spaces) of at most this many
    // characters, cut with an ellipsis.
    static constexpr int titleLength = 120;
    static QString shownTitle(const QString& title);

    QSize sizeHint() const override;
};

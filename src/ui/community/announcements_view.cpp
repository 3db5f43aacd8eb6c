#include "announcements_view.h"

#include "platform/text_table.h"
#include "ui/common/button.h"
#include "ui/common/text_label.h"

#include <QVBoxLayout>

AnnouncementsView::AnnouncementsView(const QList<Announcement>& announcements, QWidget* parent)
    : SheetDialog(parent)
{
    setWindowTitle(i18n::tr(QStringLiteral("公告")));
    setMinimumSize(380, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Spacing::xl, Spacing::xl, Spacing::xl, Spacing::xl);
    layout->setSpacing(Spacing::m);
    layout->addWidget(makeLabel(i18n::tr(QStringLiteral("公告")), TextStyle::Title3, QFont::DemiBold));
    for (const auto& announcement : announcements) {
        auto* title = makeLabel(announcement.title, TextStyle::Body);
        title->setWordWrap(true);
        layout->addWidget(title);
    }
    layout->addStretch();
    auto* close = new Button(i18n::tr(QStringLiteral("确定")), Button::Style::Prominent, this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
}

#include "announcements_view.h"

#include "community_text.h"
#include "platform/text_table.h"
#include "ui/common/divider.h"
#include "ui/common/icon_button.h"
#include "ui/common/one_line_text.h"
#include "ui/common/scroll_column.h"
#include "ui/common/symbol_label.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr QSize leastSize(380, 420);
// What of a title is looked at: far more than `titleLength` characters of any script, and little
// enough that a title of a single character with thousands of marks on it costs nothing to lay out.
constexpr qsizetype titleUnits = 1024;

QWidget* header(QDialog* sheet)
{
    auto* bar = new QWidget(sheet);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, Spacing::xs);
    auto* title = new SymbolLabel(QStringLiteral("megaphone.fill"), i18n::tr(QStringLiteral("公告")), TextStyle::Title3,
                                  TextColor::Accent, bar);
    title->textLabel()->setFont(Theme::of(title).font(TextStyle::Title3, QFont::Bold));
    row->addWidget(title);
    row->addStretch();
    auto* close = new IconButton(QStringLiteral("xmark.circle.fill"), 20, bar);
    close->setObjectName(QStringLiteral("closeButton"));
    QObject::connect(close, &QToolButton::clicked, sheet, &QDialog::reject);
    row->addWidget(close);
    return bar;
}

QWidget* emptyState(QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("emptyState"));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(Spacing::s);
    column->addStretch();
    column->addWidget(new SymbolView(QStringLiteral("megaphone"), 34, TextColor::Secondary, page), 0, Qt::AlignHCenter);
    auto* text = makeLabel(i18n::tr(QStringLiteral("暂无公告")), TextStyle::Body, TextColor::Secondary, page);
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(text);
    column->addStretch();
    return page;
}

QWidget* entry(const Announcement& announcement, QWidget* parent)
{
    auto* box = new QWidget(parent);
    box->setObjectName(QStringLiteral("announcement"));
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* top = new QHBoxLayout;
    auto* title = makeWrappedLabel(AnnouncementsView::shownTitle(announcement.title), TextStyle::Headline,
                                   TextColor::Primary, box);
    title->setObjectName(QStringLiteral("title"));
    top->addWidget(title, 1);
    auto* date = makeLabel(CommunityText::announcementDate(announcement.createdAt), TextStyle::Caption2,
                           TextColor::Secondary, box);
    date->setObjectName(QStringLiteral("date"));
    top->addWidget(date, 0, Qt::AlignTop);
    column->addLayout(top);
    auto* content = makeWrappedLabel(CommunityText::htmlToText(announcement.content), TextStyle::Callout,
                                     TextColor::Primary, box);
    content->setObjectName(QStringLiteral("content"));
    column->addWidget(content);
    return box;
}

} // namespace

AnnouncementsView::AnnouncementsView(const QList<Announcement>& announcements, QWidget* parent)
    : SheetDialog(parent)
{
    setWindowTitle(i18n::tr(QStringLiteral("公告")));
    setMinimumSize(leastSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Spacing::xl, Spacing::xl, Spacing::xl, Spacing::xl);
    layout->setSpacing(Spacing::m);
    layout->addWidget(header(this));
    layout->addWidget(new Divider(this));
    if (announcements.isEmpty()) {
        layout->addWidget(emptyState(this), 1);
        return;
    }
    auto* list = new ScrollColumn(Spacing::l, QMargins(0, Spacing::xs, 0, Spacing::xs), this);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const auto lastId = announcements.last().id;
    for (const auto& announcement : announcements) {
        list->column()->addWidget(entry(announcement, list->content()));
        if (announcement.id != lastId)
            list->column()->addWidget(new Divider(list->content()));
    }
    list->column()->addStretch();
    layout->addWidget(list, 1);
}

QString AnnouncementsView::shownTitle(const QString& title)
{
    const auto head = CommunityText::leadingCharacters(title.left(titleUnits), titleLength);
    return head.size() < title.size() ? oneLine(head) + QChar(0x2026) : oneLine(title);
}

QSize AnnouncementsView::sizeHint() const { return {leastSize.width(), SheetDialog::sizeHint().height()}; }

#include "community_world.h"

#include "ui/common/divider.h"
#include "ui/community/announcements_view.h"

#include <QLabel>

namespace {

Announcement announcement(qint64 id, const QString& title, const QString& content, const QString& createdAt)
{
    return {id, title, content, createdAt};
}

} // namespace

TEST(AnnouncementsView, AnEmptyListShowsTheEmptyStateOnly)
{
    QWidget window;
    AnnouncementsView view({}, &window);
    EXPECT_NE(view.findChild<QWidget*>(QStringLiteral("emptyState")), nullptr);
    EXPECT_TRUE(view.findChildren<QWidget*>(QStringLiteral("announcement")).isEmpty());
}

TEST(AnnouncementsView, EntriesShowTitleDateAndPlainContentWithDividersBetween)
{
    QWidget window;
    const QString markupTitle = QStringLiteral("<a href=\"file:///etc/passwd\">维护</a>");
    AnnouncementsView view(
        {announcement(3, markupTitle, QStringLiteral("<p>Hello</p><p>World</p>"),
                      QStringLiteral("2024-05-01T08:30:00Z")),
         announcement(2, QStringLiteral("B"), QStringLiteral("Tom &amp; Jerry"), QStringLiteral("today")),
         announcement(1, QStringLiteral("C"), QStringLiteral("x<br>y"), QStringLiteral("2024-04-01 10:00:00"))},
        &window);
    const auto entries = view.findChildren<QWidget*>(QStringLiteral("announcement"));
    ASSERT_EQ(entries.size(), 3);
    auto text = [&](int entry, const char* name) { return entries[entry]->findChild<QLabel*>(QLatin1String(name)); };
    EXPECT_EQ(text(0, "title")->text(), markupTitle);
    EXPECT_EQ(text(0, "title")->textFormat(), Qt::PlainText);
    EXPECT_EQ(text(0, "date")->text(), QStringLiteral("2024-05-01"));
    EXPECT_EQ(text(0, "content")->text(), QStringLiteral("Hello\nWorld"));
    EXPECT_EQ(text(0, "content")->textFormat(), Qt::PlainText);
    EXPECT_EQ(text(1, "date")->text(), QStringLiteral("today"));
    EXPECT_EQ(text(1, "content")->text(), QStringLiteral("Tom & Jerry"));
    EXPECT_EQ(text(2, "content")->text(), QStringLiteral("x\ny"));
    // Below the header's divider, one between each two entries and none after the last.
    EXPECT_EQ(view.findChildren<Divider*>().size(), 1 + 2);
    EXPECT_EQ(view.findChild<QWidget*>(QStringLiteral("emptyState")), nullptr);
}

#include "community_world.h"

#include "support/screenshot.h"
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

TEST(AnnouncementsView, ATitleIsOneParagraphOfAtMost120Characters)
{
    const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
    const QString marked = QStringLiteral("e") + QString(2000, QChar(0x0301));
    const QString ellipsis(QChar(0x2026));
    const struct {
        const char* name;
        QString title;
        QString shown;
    } cases[] = {
        {"an ordinary title", QStringLiteral("本周六凌晨线路维护"), QStringLiteral("本周六凌晨线路维护")},
        {"line breaks become spaces", QStringLiteral("维护\n通知\r\n今晚"), QStringLiteral("维护 通知 今晚")},
        {"120 characters shown whole", QString(120, u'x'), QString(120, u'x')},
        {"one more is cut", QString(121, u'x'), QString(120, u'x') + ellipsis},
        {"as long as the service may make it", QString(65536, u'x'), QString(120, u'x') + ellipsis},
        {"an emoji of several people is one character", family.repeated(121), family.repeated(120) + ellipsis},
        {"a character with thousands of marks is not taken whole", marked, marked.left(1024) + ellipsis},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        AnnouncementsView view({announcement(1, c.title, QStringLiteral("x"), QStringLiteral("today"))}, &window);
        EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("title"))->text(), c.shown);
    }
}

TEST(AnnouncementsView, OpensAtItsLeastWidthWhateverItShowsAndShowsAnOrdinaryAnnouncementWhole)
{
    // About 3,700 characters of paragraphs of long lines, as a long maintenance notice.
    const QString paragraph = QStringLiteral(
        "<p>本周六 02:00–04:00 将对<b>香港</b>线路进行维护，期间可能短暂断线。给您带来不便，敬请谅解。"
        "Maintenance of the Hong Kong line on Saturday from 02:00 to 04:00, with short interruptions.</p>");
    const int paragraphs = 3700 / paragraph.size() + 1;
    const QString paragraphText = QStringLiteral(
        "本周六 02:00–04:00 将对香港线路进行维护，期间可能短暂断线。给您带来不便，敬请谅解。"
        "Maintenance of the Hong Kong line on Saturday from 02:00 to 04:00, with short interruptions.");
    const struct {
        const char* name;
        const char* screenshot;
        QString title;
        QString content;
        QString shown;
    } cases[] = {
        {"a short announcement", "short", QStringLiteral("新增德国法兰克福节点"), QStringLiteral("<p>德国节点已上线。</p>"),
         QStringLiteral("德国节点已上线。")},
        {"a long ordinary announcement", "long", QStringLiteral("本周六凌晨线路维护"), paragraph.repeated(paragraphs),
         QStringList(paragraphs, paragraphText).join(u'\n')},
        {"a long title", "long-title", QString(QStringLiteral("Maintenance ")).repeated(5000), QStringLiteral("x"), QStringLiteral("x")},
        {"a word as long as the content may be", "long-word", QStringLiteral("x"), QString(8192, u'W'), QString(8192, u'W')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.resize(980, 680);
        window.show();
        auto* view = new AnnouncementsView({announcement(1, c.title, c.content, QStringLiteral("today"))}, &window);
        view->open();
        settle();
        EXPECT_EQ(view->width(), 380);
        EXPECT_EQ(view->findChild<QLabel*>(QStringLiteral("content"))->text(), c.shown);
        EXPECT_LE(view->findChild<QLabel*>(QStringLiteral("content"))->width(), view->width());
        EXPECT_FALSE(saveScreenshot(*view, QStringLiteral("announcements-") + QLatin1String(c.screenshot)).isEmpty());
        view->close();
        settle();
    }
}

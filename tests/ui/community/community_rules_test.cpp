#include "support/table_row.h"
#include "ui/common/number_formats.h"
#include "ui/community/bounded_html.h"
#include "ui/community/chart_bars.h"
#include "ui/community/community_text.h"
#include "ui/community/inbound_row.h"
#include "ui/community/server_card.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/community/status_grid.h"
#include "ui/community/status_looks.h"
#include "ui/community/traffic_log_view.h"
#include "ui/community/withdraw_view.h"

#include "community_world.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

namespace {

// Test data: "é" as a letter and a combining acute accent, and a family emoji made of four
// people joined by zero-width joiners: one character each, several UTF-16 units.
const QString combinedE = QStringLiteral("e\u0301");
const QString family = QString::fromUtf8(
    "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6");

// Levels "<div>1<div>2…" deep, each level's number its text.
QString nestedDivisions(int levels)
{
    QString html;
    for (int level = 1; level <= levels; ++level)
        html += QStringLiteral("<div>") + QString::number(level);
    return html + QStringLiteral("</div>").repeated(levels);
}

QStringList numbersUpTo(int last)
{
    QStringList numbers;
    for (int n = 1; n <= last; ++n)
        numbers.append(QString::number(n));
    return numbers;
}

// What the conversion costs the thread that runs it, waiting for nothing else.
std::chrono::nanoseconds threadTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

TEST(CommunityText, HtmlBecomesPlainTextAsHtmlLaysItOut)
{
    struct Case {
        const char* name;
        QString html;
        QString expected;
    };
    const Case cases[] = {
        {"paragraphs on their own lines, no blank lines around", QStringLiteral("<p>Hello</p><p>World</p>"),
         QStringLiteral("Hello\nWorld")},
        {"entity decoded", QStringLiteral("<p>Tom &amp; Jerry &lt;3</p>"), QStringLiteral("Tom & Jerry <3")},
        {"line-break element", QStringLiteral("x<br>y"), QStringLiteral("x\ny")},
        {"source line breaks and spaces collapse", QStringLiteral("one\n\ntwo   three"),
         QStringLiteral("one two three")},
        {"trimmed at both ends", QStringLiteral("  \n<div> inner </div>\n "), QStringLiteral("inner")},
        {"tags dropped, text kept", QStringLiteral("<b>bold</b> and <a href=\"https://203.0.113.9/x\">link</a>"),
         QStringLiteral("bold and link")},
        {"images and other objects leave nothing", QStringLiteral("a<img src=\"file:///etc/passwd\">b"),
         QStringLiteral("ab")},
        {"script text is not content", QStringLiteral("<p>shown</p><script>alert(1)</script>"),
         QStringLiteral("shown")},
        {"plain text stays", QStringLiteral("德国节点已上线"), QStringLiteral("德国节点已上线")},
        {"empty", QString(), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommunityText::htmlToText(c.html), c.expected) << c.name;
}

TEST(CommunityText, HtmlIsConvertedUpToItsBoundsInLengthAndNesting)
{
    constexpr int depth = BoundedHtml::maxNesting;
    constexpr qsizetype length = BoundedHtml::maxLength;
    struct Case {
        const char* name;
        QString html;
        QString expected;
    };
    const Case cases[] = {
        {"every level to the deepest taken on its own line", nestedDivisions(depth), numbersUpTo(depth).join(u'\n')},
        {"one level deeper joins the line above, its text kept", nestedDivisions(depth + 1),
         numbersUpTo(depth - 1).join(u'\n') + u'\n' + QString::number(depth) + QString::number(depth + 1)},
        {"the longest text taken whole", QString(length - 1, u'x') + u'y', QString(length - 1, u'x') + u'y'},
        {"one character more is cut", QString(length, u'x') + u'y', QString(length, u'x')},
        {"end tags of left-out levels leave the levels above as they were",
         nestedDivisions(depth + 3) + QStringLiteral("<p>after</p>"),
         numbersUpTo(depth - 1).join(u'\n') + u'\n' + numbersUpTo(depth + 3).mid(depth - 1).join(QString())
             + QStringLiteral("\nafter")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CommunityText::htmlToText(c.html), c.expected);
    }
}

TEST(CommunityText, EveryStartTagTheDocumentNestsCountsTowardsTheNestingBound)
{
    // Each shape repeated past the bound: the ones the document's parser opens an element for keep
    // only as many as the bound allows; the others come back whole.
    constexpr int depth = BoundedHtml::maxNesting;
    const struct {
        const char* name;
        QString tag;
        bool nests;
    } cases[] = {
        {"a name of letters", QStringLiteral("<b>"), true},
        {"a name of a sign", QStringLiteral("<@>"), true},
        {"a name starting with an underscore", QStringLiteral("<_>"), true},
        {"a name of digits", QStringLiteral("<1>"), true},
        {"a blank before the name", QStringLiteral("< b>"), true},
        {"a line break before the name", QStringLiteral("<\nb>"), true},
        {"a quoted name", QStringLiteral("<\"b c\">"), true},
        {"a slash inside the name", QStringLiteral("<b/x>"), true},
        {"an element void in HTML but not to the document", QStringLiteral("<input>"), true},
        {"an option in an option", QStringLiteral("<option>"), true},
        {"a stray quote hiding nothing after it", QStringLiteral("<a x\">"), true},
        {"a quoted \">\" in an attribute", QStringLiteral("<a title=\">\">"), true},
        {"a line break", QStringLiteral("<br>"), false},
        {"an image", QStringLiteral("<img src=x>"), false},
        {"a self-closed element", QStringLiteral("<b/>"), false},
        {"a self-closed element after a blank", QStringLiteral("<b />"), false},
        {"no name", QStringLiteral("<>"), false},
        {"an empty quoted name", QStringLiteral("<\"\">"), false},
        {"a declaration", QStringLiteral("<!x>"), false},
        {"a comment holding a tag", QStringLiteral("<!--<b>-->"), false},
        {"an end tag", QStringLiteral("</b>"), false},
        {"list items, each ending the one before", QStringLiteral("<li>x"), false},
        {"paragraphs, each ending the one before", QStringLiteral("<p>x"), false},
        {"definitions, each ending the one before", QStringLiteral("<dd>x"), false},
        {"table cells, each ending the one before", QStringLiteral("<td>x"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto html = c.tag.repeated(depth + 8);
        EXPECT_EQ(BoundedHtml::bounded(html), c.nests ? c.tag.repeated(depth) : html);
    }
}

TEST(CommunityText, NoAnnouncementKeepsTheWindowWaiting)
{
    // As long as the service may make it, in the shapes that cost the parser the most.
    const auto filled = [](const QString& piece) { return piece.repeated(BoundedHtml::maxLength / piece.size() + 1); };
    const struct {
        const char* name;
        QString html;
    } cases[] = {
        {"nested divisions", filled(QStringLiteral("<div>"))},
        {"nested tables", filled(QStringLiteral("<table><tr><td>"))},
        {"nested lists", filled(QStringLiteral("<ul><li>"))},
        {"nested quotes with text", filled(QStringLiteral("<blockquote>x "))},
        {"end tags across levels", filled(QStringLiteral("<b><div>x</b>"))},
        {"unclosed inline elements", filled(QStringLiteral("<span style=\"color:red\">x"))},
        {"paragraphs", filled(QStringLiteral("<p>Tom &amp; Jerry "))},
        {"paragraphs without end tags", filled(QStringLiteral("<p>x"))},
        {"divisions one after another", filled(QStringLiteral("<div>x</div>"))},
        {"entities", filled(QStringLiteral("&amp;&lt;&#x1F600;"))},
        {"nested elements of any name", filled(QStringLiteral("<@>"))},
        {"nested start tags after a blank", filled(QStringLiteral("< b>"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = threadTime();
        CommunityText::htmlToText(c.html);
        EXPECT_LT(threadTime() - start, std::chrono::milliseconds(100));
    }
}

TEST(CommunityText, CutsByUserPerceivedCharacters)
{
    struct Case {
        QString text;
        int count;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("2024-05-01 12:00:00"), 10, QStringLiteral("2024-05-01")},
        {QStringLiteral("abc"), 10, QStringLiteral("abc")},
        {combinedE + QStringLiteral("x"), 1, combinedE},
        {family + QStringLiteral("!"), 1, family},
        {QStringLiteral("a\r\nb"), 2, QStringLiteral("a\r\n")},
        {QString(), 3, QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommunityText::leadingCharacters(c.text, c.count), c.expected) << qPrintable(c.text);
    EXPECT_EQ(CommunityText::characterCount(family + combinedE), 2);
}

TEST(CommunityText, AnnouncementDateIsTheFirstTenCharacters)
{
    struct Case {
        QString createdAt;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("2024-05-01T08:30:00Z"), QStringLiteral("2024-05-01")},
        {QStringLiteral("2024-05-01 12:00:00"), QStringLiteral("2024-05-01")},
        {QStringLiteral("2024-05-01"), QStringLiteral("2024-05-01")},
        {QStringLiteral("today"), QStringLiteral("today")},
        // Ten characters of a date written with combining marks are more than ten code units.
        {QStringLiteral("2024") + combinedE + QStringLiteral("05-01 12:00"),
         QStringLiteral("2024") + combinedE + QStringLiteral("05-01")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommunityText::announcementDate(c.createdAt), c.expected) << qPrintable(c.createdAt);
}

TEST(CommunityText, TicketPreviewIsTheFirstLineCutAtEightyCharacters)
{
    const QString eighty(80, QLatin1Char('a'));
    const QString emojis = QString(family).repeated(81);
    struct Case {
        const char* name;
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {"first non-empty line", QStringLiteral("\n\nfirst\nsecond"), QStringLiteral("first")},
        {"only line feeds stay as they are", QStringLiteral("\n\n"), QStringLiteral("\n\n")},
        {"empty", QString(), QString()},
        {"exactly 80 shown whole", eighty, eighty},
        {"81 cut to 80 and an ellipsis", eighty + QStringLiteral("b"), eighty + QChar(0x2026)},
        {"emoji count as one each", emojis, QString(family).repeated(80) + QChar(0x2026)},
        {"CR LF does not end a line", QStringLiteral("one\r\ntwo"), QStringLiteral("one\r\ntwo")},
        {"CR LF lines are cut only by length", QString(QStringLiteral("abcd\r\n")).repeated(20),
         CommunityText::leadingCharacters(QString(QStringLiteral("abcd\r\n")).repeated(20), 80) + QChar(0x2026)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommunityText::ticketPreview(c.text), c.expected) << c.name;
}

TEST(CommunityText, ShortDatesAndTimesOfTheService)
{
    struct Case {
        QString text;
        QString shortDate;
        QString time;
    };
    const Case cases[] = {
        {QStringLiteral("2025-03-07 14:05:33"), QStringLiteral("03-07 14:05"), QStringLiteral("14:05")},
        {QStringLiteral("2025-03-07 9:05"), QStringLiteral("03-07 9:05"), QStringLiteral("9:05")},
        {QStringLiteral("2025-03-07T14:05:33"), QStringLiteral("2025-03-07T14:05:33"),
         QStringLiteral("2025-03-07T14:05:33")},
        {QStringLiteral("2025/03/07 14:05:33"), QStringLiteral("2025/03/07"), QStringLiteral("14:05")},
        {QStringLiteral("2025-03-07  14:05"), QStringLiteral("03-07 14:05"), QStringLiteral("14:05")},
        {QStringLiteral("2025-03-07 14:05 UTC"), QStringLiteral("2025-03-07 14:05 UTC"),
         QStringLiteral("2025-03-07 14:05 UTC")},
        {QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommunityText::ticketShortDate(c.text), c.shortDate) << qPrintable(c.text);
        EXPECT_EQ(CommunityText::messageTime(c.text), c.time) << qPrintable(c.text);
    }
}

TEST(StatusLooks, MatchStatusWordsExactly)
{
    using S = std::optional<QString>;
    struct Case {
        S status;
        StatusLook ticket;
        bool open;
        StatusLook commission;
        StatusLook withdrawal;
    };
    const Case cases[] = {
        {QStringLiteral("waiting"),
         {QStringLiteral("已回复"), TextColor::Blue},
         true,
         {QStringLiteral("waiting"), TextColor::Orange},
         {QStringLiteral("waiting"), TextColor::Orange}},
        {QStringLiteral("closed"),
         {QStringLiteral("已关闭"), TextColor::Gray},
         false,
         {QStringLiteral("closed"), TextColor::Orange},
         {QStringLiteral("closed"), TextColor::Orange}},
        {QStringLiteral("resolved"),
         {QStringLiteral("已解决"), TextColor::Green},
         false,
         {QStringLiteral("resolved"), TextColor::Orange},
         {QStringLiteral("resolved"), TextColor::Orange}},
        {QStringLiteral("Closed"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("Closed"), TextColor::Orange},
         {QStringLiteral("Closed"), TextColor::Orange}},
        {QStringLiteral("paid"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("已结算"), TextColor::Green},
         {QStringLiteral("paid"), TextColor::Orange}},
        {QStringLiteral("PAID"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("PAID"), TextColor::Orange},
         {QStringLiteral("PAID"), TextColor::Orange}},
        {QStringLiteral("pending"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("待结算"), TextColor::Orange},
         {QStringLiteral("待审核"), TextColor::Orange}},
        {QStringLiteral("Pending"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("Pending"), TextColor::Orange},
         {QStringLiteral("Pending"), TextColor::Orange}},
        {QStringLiteral("approved"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("approved"), TextColor::Orange},
         {QStringLiteral("已通过"), TextColor::Green}},
        {QStringLiteral("rejected"),
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QStringLiteral("rejected"), TextColor::Orange},
         {QStringLiteral("已驳回"), TextColor::Red}},
        {std::nullopt,
         {QStringLiteral("待回复"), TextColor::Orange},
         true,
         {QString(), TextColor::Orange},
         {QString(), TextColor::Orange}},
    };
    for (const auto& c : cases) {
        const auto name = c.status.value_or(QStringLiteral("(absent)"));
        EXPECT_EQ(StatusLooks::ticket(c.status.value_or(QString())), c.ticket) << qPrintable(name);
        EXPECT_EQ(StatusLooks::ticketIsOpen(c.status.value_or(QString())), c.open) << qPrintable(name);
        EXPECT_EQ(StatusLooks::commission(c.status), c.commission) << qPrintable(name);
        EXPECT_EQ(StatusLooks::withdrawal(c.status), c.withdrawal) << qPrintable(name);
    }
}

TEST(InboundRow, ByteCountsStepBy1024WithPrintfRounding)
{
    struct Case {
        qint64 bytes;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0 B"},
        {-5, "-5 B"},
        {1023, "1023 B"},
        {1024, "1.0 KB"},
        {1'048'575, "1024.0 KB"},
        {1'048'576, "1.0 MB"},
        {1'073'741'823, "1024.0 MB"},
        {1'073'741'824, "1.00 GB"},
        {1'099'511'627'776, "1024.00 GB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(NumberFormat::byteCount(c.bytes), QString::fromUtf8(c.expected)) << c.bytes;
        EXPECT_EQ(InboundRow::downloadText(c.bytes), QStringLiteral("▼ ") + QString::fromUtf8(c.expected));
        EXPECT_EQ(InboundRow::uploadText(c.bytes), QStringLiteral("▲ ") + QString::fromUtf8(c.expected));
    }
}

TEST(ServerDashboard, PortRowsSortAsTextWithoutTheTotal)
{
    struct Case {
        QMap<QString, qint64> connections;
        QStringList order;
    };
    const Case cases[] = {
        {{{QStringLiteral("443"), 5},
          {QStringLiteral("8443"), 2},
          {QStringLiteral("10086"), 1},
          {QStringLiteral("total"), 8}},
         {QStringLiteral("10086"), QStringLiteral("443"), QStringLiteral("8443")}},
        {{{QStringLiteral("total"), 3}}, {}},
        {{}, {}},
        {{{QStringLiteral("80"), 1}, {QStringLiteral("8"), 1}, {QStringLiteral("Total"), 1}},
         {QStringLiteral("8"), QStringLiteral("80"), QStringLiteral("Total")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        QStringList order;
        for (const auto& [port, count] : ServerDashboardView::portRows(c.connections)) {
            order << port;
            EXPECT_EQ(count, c.connections.value(port));
        }
        EXPECT_EQ(order, c.order);
    }
}

TEST(ServerDashboard, StatusTilesFromTheServerRecord)
{
    ServerStatusData data;
    data.xray_running = true;
    data.xray_uptime = QStringLiteral("6天 3小时");
    data.xray_cpu = 12;
    data.xray_mem = 34;
    data.panel_running = false;
    data.server_uptime = QStringLiteral("41天");
    data.load_avg = QStringLiteral("0.42, 0.37, 0.31");

    const auto tiles = ServerCard::statusTiles(data);
    ASSERT_EQ(tiles.size(), 4);
    EXPECT_EQ(tiles[0],
              (ServerCard::Content{QStringLiteral("bolt.shield"),
                                   TextColor::Green,
                                   QStringLiteral("Xray"),
                                   QStringLiteral("运行中"),
                                   {{QStringLiteral("CPU: 12%"), QStringLiteral("Mem: 34%")},
                                    {QStringLiteral("运行时间"), QStringLiteral("6天 3小时")}}}));
    // The CPU row sorts before the running time: its key is the row's label.
    EXPECT_EQ(tiles[0].details.firstKey(), QStringLiteral("CPU: 12%"));
    EXPECT_EQ(
        tiles[1],
        (ServerCard::Content{
            QStringLiteral("rectangle.3.group"), TextColor::Red, QStringLiteral("3X-UI"), QStringLiteral("离线"), {}}));
    EXPECT_EQ(tiles[2].subtitle, QStringLiteral("41天"));
    EXPECT_EQ(tiles[3].subtitle, QStringLiteral("0.42, 0.37, 0.31"));

    const auto offline = ServerCard::statusTiles(std::nullopt);
    ASSERT_EQ(offline.size(), 4);
    for (int i : {0, 1}) {
        EXPECT_EQ(offline[i].iconColor, TextColor::Red);
        EXPECT_EQ(offline[i].subtitle, QStringLiteral("离线"));
        EXPECT_TRUE(offline[i].details.isEmpty());
    }
    EXPECT_EQ(offline[2].subtitle, QStringLiteral("-"));
    EXPECT_EQ(offline[3].subtitle, QStringLiteral("-"));
}

TEST(ServerDashboard, GridHoldsAsManyColumnsOfAtLeast160AsFit)
{
    struct Case {
        int width;
        int columns;
    };
    const Case cases[] = {{0, 1}, {159, 1}, {335, 1}, {336, 2}, {700, 4}, {1000, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(StatusGrid::columnsFor(c.width, 160, 16), c.columns) << c.width;
}

TEST(ChartBars, BarsShareTheWidthAndScaleToTheHighestDay)
{
    auto entries = [](std::initializer_list<double> used) {
        QList<TrafficLogEntry> list;
        int day = 1;
        for (double u : used)
            list.append({QStringLiteral("2025-03-%1").arg(day++, 2, 10, QLatin1Char('0')), u});
        return list;
    };
    const QRectF area(0, 0, 302, 120);
    struct Case {
        const char* name;
        QList<TrafficLogEntry> entries;
        double maxDay;
        QList<ChartBars::Bar> bars;
    };
    const Case cases[] = {
        {"highest full, empty day a stub",
         entries({4.0, 0.0, 2.0}),
         4.0,
         {{QRectF(0, 20, 99.333333, 100), 1.0},
          {QRectF(101.333333, 118, 99.333333, 2), 0.25},
          {QRectF(202.666667, 70, 99.333333, 50), 0.625}}},
        {"one entry spans the width", entries({1.5}), 1.5, {{QRectF(0, 20, 302, 100), 1.0}}},
        {"values above the maximum are full bars", entries({9.0}), 3.0, {{QRectF(0, 20, 302, 100), 1.0}}},
        {"a maximum below 0.001 divides by 0.001", entries({0.0005}), 0.0005, {{QRectF(0, 70, 302, 50), 0.625}}},
        {"no entries, no bars", {}, 0.0, {}},
    };
    for (const auto& c : cases) {
        const auto bars = ChartBars::layout(c.entries, c.maxDay, area);
        ASSERT_EQ(bars.size(), c.bars.size()) << c.name;
        for (qsizetype i = 0; i < bars.size(); ++i) {
            EXPECT_NEAR(bars[i].rect.x(), c.bars[i].rect.x(), 1e-4) << c.name << " bar " << i;
            EXPECT_NEAR(bars[i].rect.y(), c.bars[i].rect.y(), 1e-4) << c.name << " bar " << i;
            EXPECT_NEAR(bars[i].rect.width(), c.bars[i].rect.width(), 1e-4) << c.name << " bar " << i;
            EXPECT_NEAR(bars[i].rect.height(), c.bars[i].rect.height(), 1e-4) << c.name << " bar " << i;
            EXPECT_NEAR(bars[i].opacity, c.bars[i].opacity, 1e-9) << c.name << " bar " << i;
        }
    }
}

TEST(TrafficLog, SummaryCountsEveryEntryInListOrder)
{
    struct Case {
        QList<TrafficLogEntry> entries;
        double total;
        double maxDay;
        qsizetype days;
    };
    const Case cases[] = {
        {{}, 0, 0, 0},
        {{{QStringLiteral("a"), 0}, {QStringLiteral("b"), 0}}, 0, 0, 2},
        {{{QStringLiteral("d"), 1.25}, {QStringLiteral("d"), 3.5}, {QStringLiteral("e"), 0.25}}, 5.0, 3.5, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        const auto summary = TrafficLogView::summarize(c.entries);
        EXPECT_DOUBLE_EQ(summary.total, c.total);
        EXPECT_DOUBLE_EQ(summary.maxDay, c.maxDay);
        EXPECT_EQ(summary.days, c.days);
    }
}

TEST(Withdrawal, RequestNeedsTenOnTheUnroundedAmountAndNoRequestOnTheWay)
{
    struct Case {
        double pending;
        bool submitting;
        bool allowed;
        const char* shown;
    };
    const Case cases[] = {
        {9.99, false, false, "¥9.99"}, {10.0, false, true, "¥10.00"},   {9.996, false, false, "¥10.00"},
        {0, false, false, "¥0.00"},    {250.5, false, true, "¥250.50"}, {10.0, true, false, "¥10.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(WithdrawView::canSubmit(c.pending, c.submitting), c.allowed) << c.pending << " " << c.submitting;
        EXPECT_EQ(NumberFormat::yuan(c.pending), QString::fromUtf8(c.shown));
    }
}

#include "outside_text.h"
#include "support/event_waits.h"
#include "support/screenshot.h"
#include "ui/common/one_line_text.h"
#include "ui/common/plain_tool_tip.h"
#include "ui/common/text_label.h"

#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

// What would let markup in is not there to call (as it is on a bare label).
template <typename Label>
concept CanReadMarkup = requires(Label& label)
{
    label.setTextFormat(Qt::RichText);
};
template <typename Label>
concept CanOpenLinks = requires(Label& label)
{
    label.setOpenExternalLinks(true);
};
static_assert(CanReadMarkup<QLabel> && !CanReadMarkup<TextLabel>);
static_assert(CanOpenLinks<QLabel> && !CanOpenLinks<TextLabel>);

namespace {

// A name on one line, alone in a shown window of the given size.
struct ShownOneLineLabel {
    explicit ShownOneLineLabel(QSize size)
    {
        auto* column = new QVBoxLayout(&window);
        label = makeOneLineLabel(QStringLiteral("东京 01"), TextStyle::Body, TextColor::Primary, &window);
        column->addWidget(label);
        window.resize(size);
        window.show();
        deliverPostedEvents();
    }

    QWidget window;
    TextLabel* label = nullptr;
};

} // namespace

TEST(TextLabel, MarkupIsDrawnAsWrittenByEveryKindOfLabel)
{
    struct Case {
        const char* name;
        std::function<TextLabel*(const QString&)> make;
    };
    const Case cases[] = {
        {"plain", [](const QString& text) { return makeLabel(text, TextStyle::Body); }},
        {"weighted", [](const QString& text) { return makeLabel(text, TextStyle::Body, QFont::Bold); }},
        {"wrapped", [](const QString& text) { return makeWrappedLabel(text, TextStyle::Body); }},
        {"one line", [](const QString& text) { return makeOneLineLabel(text, TextStyle::Body); }},
    };
    // Without a blank, so that no kind wraps it.
    const QString markup = QStringLiteral("<b>x</b><i>y</i><u>z</u>");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TextLabel> label(c.make(markup));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), markup);
        // Drawn with its tags: room for the whole text, on however many lines, where read as markup
        // it would be three letters.
        const QSize room = label->sizeHint();
        const QFontMetrics metrics = label->fontMetrics();
        EXPECT_GE(room.width() * room.height(), metrics.horizontalAdvance(markup) * metrics.height());
    }
}

TEST(OneLineText, BreaksBecomeASpaceAndDirectionControlsGo)
{
    struct Case {
        const char* name;
        QString text;
        QString line;
    };
    const Case cases[] = {
        {"plain text stays", QStringLiteral("东京 01 <b>"), QStringLiteral("东京 01 <b>")},
        {"line feed", QStringLiteral("a\nb"), QStringLiteral("a b")},
        {"carriage return and line feed are one break", QStringLiteral("a\r\nb"), QStringLiteral("a b")},
        {"vertical tab, form feed, next line", QStringLiteral("a\vb\fc\u0085d"), QStringLiteral("a b c d")},
        {"line and paragraph separators", QStringLiteral("a\u2028b\u2029c"), QStringLiteral("a b c")},
        {"embeddings and overrides", QStringLiteral("\u202Aa\u202Bb\u202Cc\u202Dd\u202Ee"), QStringLiteral("abcde")},
        {"isolates", QStringLiteral("\u2066a\u2067b\u2068c\u2069"), QStringLiteral("abc")},
        {"marks that only set a direction stay", QStringLiteral("a\u200Fb\u200E"), QStringLiteral("a\u200Fb\u200E")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(oneLine(c.text), c.line);
    }
}

TEST(TextLabel, ALongNameOnOneLineIsCutToTheRoomAndLeavesTheWindowItsSize)
{
    ShownOneLineLabel shown(QSize(300, 80));
    auto& window = shown.window;
    auto* label = shown.label;
    EXPECT_EQ(label->shownText(), QStringLiteral("东京 01"));
    const QSize before = window.size();

    const QString name = hostileText(QStringLiteral("node"));
    label->setText(name);
    deliverPostedEvents();
    EXPECT_EQ(window.size(), before);
    EXPECT_LT(window.minimumSizeHint().width(), before.width());
    expectOnOneLine(*label, name);
    EXPECT_FALSE(saveScreenshot(window, QStringLiteral("one-line-label-hostile")).isEmpty());
}

TEST(TextLabel, AOneLineLabelAtTheSizeItAsksForShowsItsTextWhole)
{
    // Ordinary texts of the three languages, whose widths fall between whole pixels.
    const QString texts[] = {
        QStringLiteral("流量: 37.5/200 GB"),         QStringLiteral("Traffic: 37.5/200 GB"),
        QStringLiteral("トラフィック: 37.5/200 GB"), QStringLiteral("东京 01 · 高级线路"),
        QStringLiteral("Tokyo Premium 02"),          QStringLiteral("東京 プレミアム 02"),
    };
    for (const auto style : {TextStyle::Caption2, TextStyle::Caption, TextStyle::Callout, TextStyle::Body}) {
        for (const auto& text : texts) {
            SCOPED_TRACE(text.toStdString() + " in style " + std::to_string(int(style)));
            std::unique_ptr<TextLabel> label(makeOneLineLabel(text, style));
            label->resize(label->sizeHint());
            EXPECT_EQ(label->shownText(), text);
        }
    }
}

TEST(TextLabel, AWrappingLabelBreaksAWordLongerThanItsRoomAndLeavesTheWindowItsWidth)
{
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* label = makeWrappedLabel(QStringLiteral("东京 01"), TextStyle::Body, TextColor::Primary, &window);
    column->addWidget(label);
    column->addStretch();
    window.resize(300, 400);
    window.show();
    deliverPostedEvents();
    const QSize before = window.size();
    const int lineHeight = label->fontMetrics().height();

    label->setText(hostileText(QStringLiteral("message")));
    deliverPostedEvents();
    // Taller, as it has to be, but not wider.
    EXPECT_EQ(window.width(), before.width());
    EXPECT_LE(label->width(), before.width());
    // 10,000 characters on lines of at most 300 pixels: many lines, however few blanks they have.
    EXPECT_GT(label->heightForWidth(label->width()), 20 * lineHeight);
    EXPECT_FALSE(saveScreenshot(window, QStringLiteral("wrapped-label-hostile")).isEmpty());
}

TEST(PlainToolTip, ATextFromOutsideReadsAsWritten)
{
    struct Case {
        const char* name;
        QString text;
    };
    const Case cases[] = {
        {"markup", QStringLiteral("/opt/<b>x</b>/<img src=\"file:///etc/hostname\">app")},
        {"entities", QStringLiteral("/opt/a &amp; b &lt;c&gt;")},
        {"runs of blanks", QStringLiteral("/opt/two  blanks")},
        {"plain", QStringLiteral("/usr/bin/firefox")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString tip = plainToolTip(c.text);
        // A tool tip that looks like markup is drawn as a document of it.
        EXPECT_TRUE(Qt::mightBeRichText(tip));
        QTextDocument drawn;
        drawn.setHtml(tip);
        EXPECT_EQ(drawn.toPlainText(), c.text);
    }
}

TEST(TextLabel, OrdinaryTextWrapsAtWordsAsABareLabelWrapsIt)
{
    const QString texts[] = {
        QStringLiteral("本周六 02:00–04:00 将对香港线路进行维护，期间可能短暂断线。给您带来不便，敬请谅解。"),
        QStringLiteral("Maintenance of the Hong Kong line on Saturday, with short interruptions."),
    };
    for (const auto& text : texts) {
        std::unique_ptr<TextLabel> label(makeWrappedLabel(text, TextStyle::Body));
        QLabel bare(text);
        bare.setFont(label->font());
        bare.setTextFormat(Qt::PlainText);
        bare.setWordWrap(true);
        for (int width = 100; width <= 400; width += 3) {
            SCOPED_TRACE(text.left(8).toStdString() + " at " + std::to_string(width));
            // As many lines (the two measure a line's height a pixel apart).
            EXPECT_NEAR(label->heightForWidth(width), bare.heightForWidth(width),
                        label->fontMetrics().lineSpacing() / 2);
        }
    }
}

TEST(TextLabel, ACutNameShowsMoreOfItselfAsItsToolTipAndAWholeOneNone)
{
    ShownOneLineLabel shown(QSize(160, 60));
    auto* label = shown.label;
    const auto hover = [label] {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(label, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(hover().isEmpty()) << "a name shown whole needs no tooltip";

    const QString name = QStringLiteral("<b>Tokyo</b>\nPremium \u202Eline 02 with a long name");
    label->setText(name);
    deliverPostedEvents();
    ASSERT_NE(label->shownText(), oneLine(name));
    const QString tip = hover();
    QTextDocument drawn;
    drawn.setHtml(tip);
    EXPECT_EQ(drawn.toPlainText(), oneLine(name)) << "on one line, as written";

    label->setText(hostileText(QStringLiteral("node")));
    deliverPostedEvents();
    drawn.setHtml(hover());
    EXPECT_LE(label->fontMetrics().horizontalAdvance(drawn.toPlainText()), label->fontMetrics().averageCharWidth() * 80)
        << "a name of thousands does not cover the screen";
    QToolTip::hideText();
}

TEST(TextLabel, AWrappedLabelAnswersAndDrawsAsANewOneAfterItsWidthTextOrFontChanges)
{
    // One label asked and drawn after each change, against a label made anew for what it then holds.
    const QString shortText = QStringLiteral("东京 01 · 高级线路");
    const QString longText = QStringLiteral("Maintenance of the Hong Kong line on Saturday, 维护期间可能短暂断线。").repeated(12);
    std::unique_ptr<TextLabel> label(makeWrappedLabel(shortText, TextStyle::Body));
    const struct {
        const char* name;
        std::function<void(TextLabel&)> change;
        int width;
    } steps[] = {
        {"narrow", [](TextLabel&) {}, 120},
        {"wide", [](TextLabel&) {}, 300},
        {"narrow again", [](TextLabel&) {}, 120},
        {"a longer text", [&](TextLabel& shown) { shown.setText(longText); }, 120},
        {"the longer text wide", [](TextLabel&) {}, 300},
        {"a larger font", [](TextLabel& shown) { shown.setFont(Theme::of(&shown).font(TextStyle::Title)); }, 300},
        {"the short text again", [&](TextLabel& shown) { shown.setText(shortText); }, 300},
        {"right to left", [](TextLabel& shown) { shown.setLayoutDirection(Qt::RightToLeft); }, 300},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.change(*label);
        std::unique_ptr<TextLabel> fresh(makeWrappedLabel(label->text(), TextStyle::Body));
        fresh->setFont(label->font());
        fresh->setLayoutDirection(label->layoutDirection());
        EXPECT_EQ(label->heightForWidth(step.width), fresh->heightForWidth(step.width));
        EXPECT_EQ(label->sizeHint(), fresh->sizeHint());
        EXPECT_EQ(label->minimumSizeHint(), fresh->minimumSizeHint());
        const QSize size(step.width, fresh->heightForWidth(step.width));
        label->resize(size);
        fresh->resize(size);
        EXPECT_EQ(label->grab().toImage(), fresh->grab().toImage());
    }
    const std::unique_ptr<TextLabel> longer(makeWrappedLabel(longText, TextStyle::Body));
    EXPECT_GT(longer->heightForWidth(120), label->heightForWidth(120)) << "the texts tried lay out differently";
}

#pragma once

#include "ui/common/one_line_text.h"
#include "ui/common/text_label.h"

#include <QAbstractScrollArea>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

// A text from outside that does harm if it is read as anything but a plain string: markup, an
// image of a local file, a link, a long tag, direction overrides and isolates, line breaks, and
// 10,000 characters in all.
inline QString hostileText(const QString& tag)
{
    QString text = tag
        + QStringLiteral(" <b>x</b><img src=\"file:///etc/hostname\"><a href=\"https://203.0.113.9/\">"
                         "link</a> \u202Eevil\u202C \u2067isolated\u2069\nsecond line\r\nthird ");
    text += QLatin1Char('<');
    text += QString(10000 - text.size() - 1, QLatin1Char('W'));
    return text;
}

// Whether `text` holds a hostileText().
inline bool isHostile(const QString& text) { return text.contains(QStringLiteral("file:///etc/hostname")); }

// Every label under `root` that holds text: none of them may read it as markup.
inline void expectEveryLabelPlain(const QWidget& root)
{
    for (const auto* label : root.findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        SCOPED_TRACE(label->objectName().toStdString() + " " + label->text().left(40).toStdString());
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
}

// The labels under `root` that show `text` (the labels holding it whole).
inline QList<TextLabel*> labelsShowing(const QWidget& root, const QString& text)
{
    QList<TextLabel*> found;
    for (auto* label : root.findChildren<TextLabel*>()) {
        if (label->isVisibleTo(&root) && label->text() == text)
            found.append(label);
    }
    return found;
}

// A one-line label holding `text` draws it on one line, without breaks or direction controls,
// cut to its width.
inline void expectOnOneLine(const TextLabel& label, const QString& text)
{
    ASSERT_TRUE(label.isOneLine());
    const QString shown = label.shownText();
    for (const QChar c : shown) {
        const char16_t unit = c.unicode();
        EXPECT_FALSE(unit == u'\n' || unit == u'\r' || (unit >= u'\u202A' && unit <= u'\u202E')
                     || (unit >= u'\u2066' && unit <= u'\u2069'))
            << "U+" << QString::number(unit, 16).toStdString();
    }
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…"))) << shown.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(shown), label.contentsRect().width());
    EXPECT_TRUE(oneLine(text).startsWith(shown.chopped(1)));
    EXPECT_LT(label.sizeHint().height(), 2 * label.fontMetrics().height());
}

// The text `root` holds no wider than it is: no scroll area under it scrolls sideways.
inline void expectNoSidewaysScrolling(const QWidget& root)
{
    for (const auto* area : root.findChildren<QAbstractScrollArea*>()) {
        SCOPED_TRACE(area->objectName().toStdString());
        EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
    }
}

// Nothing under `root` reaches past its right edge, nor past the view of a scroll area it is shown
// in: a screen's content is no wider than its window, whatever a text holds.
inline void expectContentFitsItsWindow(const QWidget& root)
{
    expectNoSidewaysScrolling(root);
    for (const auto* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root))
            continue;
        const QWidget* frame = &root;
        for (const auto* above = widget->parentWidget(); above && above != &root; above = above->parentWidget()) {
            const auto* area = qobject_cast<const QAbstractScrollArea*>(above->parentWidget());
            if (area && area->viewport() == above) {
                frame = above;
                break;
            }
        }
        SCOPED_TRACE(std::string(widget->metaObject()->className()) + " " + widget->objectName().toStdString());
        EXPECT_LE(widget->mapTo(frame, QPoint(widget->width(), 0)).x(), frame->width());
    }
}

// Only the hostile texts under `root` give way: every other one-line label shows its text whole.
inline void expectOnlyHostileTextCut(const QWidget& root)
{
    for (const auto* label : root.findChildren<TextLabel*>()) {
        if (!label->isVisibleTo(&root) || !label->isOneLine() || isHostile(label->text()))
            continue;
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->shownText(), oneLine(label->text()));
    }
}

#pragma once

#include "outside_text.h"

#include <QStringList>

// The two long texts from outside a screen must hold, each starting with `tag`: hostileText()'s
// words, markup, breaks and 10,000 characters, and one word of 300 characters without a space,
// wider than any window, that no line can break.
inline QStringList longTexts(const QString& tag) { return {hostileText(tag), tag + QString(300, QLatin1Char('W'))}; }

// The label shows `text` on one line cut with "…", and draws it so: a label the user can select
// draws the text clipped mid-letter instead.
inline void expectCutWithEllipsis(const TextLabel& label, const QString& text)
{
    expectOnOneLine(label, text);
    EXPECT_FALSE(label.textInteractionFlags() & Qt::TextSelectableByMouse) << "drawn clipped, without \"…\"";
}

// Each of `texts` shows under `root` cut with "…", and only they give way: every other one-line
// label shows its text whole.
inline void expectOnlyTheseCut(const QWidget& root, const QStringList& texts)
{
    for (const auto& text : texts) {
        SCOPED_TRACE(text.left(8).toStdString());
        const auto labels = labelsShowing(root, text);
        EXPECT_FALSE(labels.isEmpty());
        for (const auto* label : labels)
            expectCutWithEllipsis(*label, text);
    }
    for (const auto* label : root.findChildren<TextLabel*>()) {
        if (!label->isVisibleTo(&root) || !label->isOneLine() || texts.contains(label->text()))
            continue;
        SCOPED_TRACE(label->objectName().toStdString() + " " + label->text().left(20).toStdString());
        EXPECT_EQ(label->shownText(), oneLine(label->text()));
    }
}

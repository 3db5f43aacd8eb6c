#pragma once

#include "ui/common/button.h"

#include <chrono>

// A small bordered "复制" button that puts a text on the clipboard and reads "已复制" for a while
// after each press. Each press schedules its own reset, so two presses one second apart read
// "复制" again two seconds after the first.
class CopyButton : public Button {
    Q_OBJECT
public:
    explicit CopyButton(const QString& text, QWidget* parent = nullptr);

    bool isCopied() const { return m_copied; }
    static constexpr std::chrono::milliseconds feedbackDuration{2000};

private:
    void copy();
    void setCopied(bool copied);

    QString m_text;
    bool m_copied = false;
};

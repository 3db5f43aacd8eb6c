#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class Button;

// Puts a text on the clipboard as plain text (replacing whatever it held).
void copyToClipboard(const QString& text);

// The number of characters of a text as a reader counts them (one per grapheme cluster).
int readableLength(const QString& text);

// A copy button's confirmation: after a copy the button reads "已复制" for a while, then its own
// title again. Each copy schedules its own reset, never cancelled: a second copy within the
// time does not prolong the first.
class CopyFeedback : public QObject {
    Q_OBJECT
public:
    CopyFeedback(Button& button, QString idleTitle, std::chrono::milliseconds hold = std::chrono::milliseconds(2000));

    bool isCopied() const { return m_copied; }
    // Copies `text` and confirms it.
    void copy(const QString& text);

private:
    void setCopied(bool copied);

    Button& m_button;
    QString m_idleTitle;
    std::chrono::milliseconds m_hold;
    bool m_copied = false;
};

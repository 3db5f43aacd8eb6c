#pragma once

#include "ui/common/sheet_frame.h"

class Button;
class QLabel;
class QPlainTextEdit;

// The preview of a converted configuration: the whole text, selectable, and a button that copies
// all of it. It shows only what it is given.
class ConfigPreviewView : public FramedSheet {
    Q_OBJECT
public:
    ConfigPreviewView(const QString& config, const QString& format, QWidget* parent);

    QLabel* title() const { return titleBar()->titleLabel(); }
    Button* copyButton() const { return m_copy; }
    QPlainTextEdit* text() const { return m_text; }

private:
    QString m_config;
    Button* m_copy;
    QPlainTextEdit* m_text;
};

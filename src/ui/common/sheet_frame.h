#pragma once

#include "ui/common/sheet_dialog.h"

#include <QWidget>

class IconButton;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

// The title bar of a sheet, padded 16: an optional back button, the title, a flexible space, any
// extra controls of the sheet and the close button.
class SheetTitleBar : public QWidget {
    Q_OBJECT
public:
    explicit SheetTitleBar(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    QLabel* titleLabel() const { return m_title; }
    void setBackVisible(bool visible);
    // Places a control of the sheet just before the close button.
    void addControl(QWidget* control);
    IconButton* backButton() const { return m_back; }
    IconButton* closeButton() const { return m_close; }

signals:
    void backClicked();
    void closeClicked();

private:
    QHBoxLayout* m_row;
    IconButton* m_back;
    QLabel* m_title;
    IconButton* m_close;
};

// A sheet with a fixed size, the title bar, a divider and the body below it. The close button
// closes the sheet (and with it everything the sheet started).
class FramedSheet : public SheetDialog {
    Q_OBJECT
public:
    SheetTitleBar* titleBar() const { return m_titleBar; }

protected:
    FramedSheet(const QString& title, QSize size, QWidget* parent);

    QVBoxLayout* body() const { return m_body; }

private:
    SheetTitleBar* m_titleBar;
    QVBoxLayout* m_body;
};

#pragma once

#include "ui/common/sheet_dialog.h"

#include <QWidget>

class IconButton;
class QLabel;
class QVBoxLayout;

// The title bar of a community sheet, padded 16: an optional back button, the title, a flexible
// space and the close button.
class SheetTitleBar : public QWidget {
    Q_OBJECT
public:
    explicit SheetTitleBar(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    void setBackVisible(bool visible);
    IconButton* backButton() const { return m_back; }
    IconButton* closeButton() const { return m_close; }

signals:
    void backClicked();
    void closeClicked();

private:
    IconButton* m_back;
    QLabel* m_title;
    IconButton* m_close;
};

// A sheet of the community screens: a fixed size, the title bar, a divider and the body below
// it. The close button closes the sheet (and with it everything the sheet started).
class CommunitySheet : public SheetDialog {
    Q_OBJECT
public:
    SheetTitleBar* titleBar() const { return m_titleBar; }

protected:
    CommunitySheet(const QString& title, QSize size, QWidget* parent);

    QVBoxLayout* body() const { return m_body; }

private:
    SheetTitleBar* m_titleBar;
    QVBoxLayout* m_body;
};

#pragma once

#include <QString>
#include <QWidget>

class Button;
class IconButton;
class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class SheetDialog;

// The frame every sheet of these screens shares: a title bar (bold title, flexible space, any
// extra controls, the close button that closes the sheet), a divider, and the body below.
class SheetFrame {
public:
    SheetFrame(SheetDialog& sheet, const QString& title, QSize fixedSize);

    QHBoxLayout* titleBar() const { return m_titleBar; }
    QVBoxLayout* body() const { return m_body; }
    QLabel* title() const { return m_title; }
    IconButton* closeButton() const { return m_close; }

private:
    QHBoxLayout* m_titleBar;
    QVBoxLayout* m_body;
    QLabel* m_title;
    IconButton* m_close;
};

// A vertical scroll area holding one column: the content of a sheet.
QScrollArea* makeScrollColumn(QVBoxLayout*& column, int spacing, int padding, QWidget* parent);

// The three states of a sheet that loads: a spinner, the failure text with a "重试" link, or the
// content.
class LoadStates : public QWidget {
    Q_OBJECT
public:
    enum class State { loading, failed, content };

    LoadStates(QWidget* content, QWidget* parent = nullptr);

    State state() const { return m_state; }
    void showLoading();
    void showFailure(const QString& message);
    void showContent();
    QLabel* failureText() const { return m_failure; }
    Button* retryButton() const { return m_retry; }

signals:
    void retryRequested();

private:
    QStackedWidget* m_stack;
    QLabel* m_failure;
    Button* m_retry;
    State m_state = State::loading;
};

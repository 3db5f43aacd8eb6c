#pragma once

#include <QStackedWidget>

class Button;
class QLabel;

// The body of a screen that loads: a spinner while loading, the failure text with a "重试" link
// while failed, or one of the screen's own pages (its content, its empty state).
class LoadStateView : public QStackedWidget {
    Q_OBJECT
public:
    enum class State { loading, failed, content };

    explicit LoadStateView(QWidget* parent = nullptr);

    void showLoading();
    void showError(const QString& message);
    // Takes in one of the screen's own pages, hidden until shown.
    void addPage(QWidget* page);
    // Shows a page taken in before.
    void showPage(QWidget* page);

    State state() const;
    bool isShowingLoading() const;
    bool isShowingError() const;
    QString errorText() const;
    Button* retryButton() const { return m_retry; }

signals:
    void retryRequested();

private:
    QWidget* m_loading;
    QWidget* m_error;
    QLabel* m_errorText;
    Button* m_retry;
};

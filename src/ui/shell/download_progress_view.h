#pragma once

#include <QWidget>

#include <functional>

class Button;
class LinearProgress;
class AppEvents;
class QLabel;
class QStackedWidget;

// The window of an update download: the progress while it runs, then the button that installs it.
// It follows the hub's "downloadProgress" and "downloadComplete".
class DownloadProgressView : public QWidget {
    Q_OBJECT
public:
    DownloadProgressView(AppEvents& notifier, QString version, std::function<void()> onCancel,
                         std::function<void()> onComplete, QWidget* parent = nullptr);

    double progress() const { return m_progress; }
    bool isComplete() const { return m_isComplete; }
    // "42%": the whole percent, truncated.
    static QString percentText(double progress);

private:
    void setProgress(double progress);
    void complete();

    std::function<void()> m_onCancel;
    std::function<void()> m_onComplete;
    double m_progress = 0;
    bool m_isComplete = false;
    QStackedWidget* m_pages;
    LinearProgress* m_bar;
    QLabel* m_percent;
};

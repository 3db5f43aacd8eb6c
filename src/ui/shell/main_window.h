#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>

class ContentView;

// The application's one window (the window group "main", titled "Velmorand"): its content is a
// ContentView, replaced as a whole when the interface language changes. Closing it hides it; the
// process lives on in the status area.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    ContentView* content() const { return m_content; }
    // Shows `content` instead of the current one, which is deleted later.
    void setContent(ContentView* content);

signals:
    // The window is about to close; it is still on screen.
    void windowWillClose();
    // The window is shown again after it was closed.
    void reopened();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onFaceChanged();

    QPointer<ContentView> m_content;
    // The size of the full window while the compact one is shown.
    QSize m_fullSize;
    bool m_closed = false;
};

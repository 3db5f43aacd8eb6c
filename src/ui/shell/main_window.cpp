#include "main_window.h"

#include "ui/shell/content_view.h"

#include <QCloseEvent>
#include <QLayout>
#include <QShowEvent>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Velmorand"));
    resize(980, 680);
}

void MainWindow::setContent(ContentView* content)
{
    m_content = content;
    setCentralWidget(content);
    connect(content, &ContentView::faceChanged, this, &MainWindow::onFaceChanged);
    onFaceChanged();
}

void MainWindow::onFaceChanged()
{
    if (!m_content)
        return;
    // The window's own minimum follows the new face only once its layout has run; a resize
    // before that is held at the old face's minimum.
    if (layout())
        layout()->activate();
    // The compact window is small; the full window gets its size back.
    if (m_content->face() == ContentView::Face::compact) {
        if (!m_fullSize.isValid())
            m_fullSize = size();
        resize(m_content->minimumSize());
    } else if (m_content->face() == ContentView::Face::full && m_fullSize.isValid()) {
        resize(m_fullSize.expandedTo(m_content->minimumSize()));
        m_fullSize = {};
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit windowWillClose();
    m_closed = true;
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_closed && !event->spontaneous()) {
        m_closed = false;
        emit reopened();
    }
}

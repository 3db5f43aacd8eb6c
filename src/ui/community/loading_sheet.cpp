#include "loading_sheet.h"

#include "ui/common/load_state_view.h"

#include <QShowEvent>

LoadingSheet::LoadingSheet(const QString& title, QSize size, QWidget* parent)
    : FramedSheet(title, size, parent)
    , m_states(new LoadStateView(this))
{
    connect(m_states, &LoadStateView::retryRequested, this, [this] { load(); });
}

void LoadingSheet::showEvent(QShowEvent* event)
{
    FramedSheet::showEvent(event);
    if (!event->spontaneous())
        load();
}

void LoadingSheet::beginLoad()
{
    m_loading = true;
    m_loadError.reset();
    showLoadState();
}

void LoadingSheet::endLoad(const std::optional<QString>& error)
{
    m_loadError = error;
    m_loading = false;
    showLoadState();
}

void LoadingSheet::showLoadState()
{
    if (m_loading)
        m_states->showLoading();
    else if (m_loadError)
        m_states->showError(*m_loadError);
    else
        m_states->showPage(loadedPage());
}

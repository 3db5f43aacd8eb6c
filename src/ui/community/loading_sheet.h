#pragma once

#include "ui/common/sheet_frame.h"

#include <optional>

class LoadStateView;

// A community sheet that loads each time it is shown and on retry. Its load state (spinner,
// failure with the "重试" link, or the page the sheet picks) lives in `states()`, which the sheet
// places in its body. A failed load keeps the data held before, behind the failure.
class LoadingSheet : public FramedSheet {
    Q_OBJECT
public:
    bool isLoading() const { return m_loading; }
    const std::optional<QString>& loadError() const { return m_loadError; }
    LoadStateView* states() const { return m_states; }

protected:
    LoadingSheet(const QString& title, QSize size, QWidget* parent);

    void showEvent(QShowEvent* event) override;

    // Starts a load: calls beginLoad() and, once answered, endLoad().
    virtual void load() = 0;
    // The page to show once loaded without failure.
    virtual QWidget* loadedPage() = 0;

    void beginLoad();
    // `error`: the (translated) failure text, none on success.
    void endLoad(const std::optional<QString>& error);
    void showLoadState();

private:
    bool m_loading = true;
    std::optional<QString> m_loadError;
    LoadStateView* m_states;
};

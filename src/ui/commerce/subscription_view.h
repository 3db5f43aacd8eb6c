#pragma once

#include "commerce_services.h"
#include "commerce_widgets.h"
#include "ui/common/sheet_frame.h"

#include <optional>

class ApiService;
class Button;
class CopyFeedback;
class LoadStateView;
class QLabel;

// The sheet with the user's subscription link and the ready-made Clash configuration, both
// fetched each time it is shown, and copied whole with their buttons. The configuration is
// offered only when the service really sent one: an error page, a refusal or a download cut
// short leaves the copy button disabled.
class SubscriptionView : public FramedSheet {
    Q_OBJECT
public:
    SubscriptionView(const CommerceServices& services, QWidget* parent);

    const std::optional<QString>& subUrl() const { return m_subUrl; }
    const std::optional<QString>& configText() const { return m_configText; }
    bool isLoading() const { return m_loading; }
    const std::optional<QString>& loadError() const { return m_loadError; }
    bool isUrlCopied() const;
    bool isConfigCopied() const;

    LoadStateView* states() const { return m_states; }
    SelectableText* link() const { return m_link; }
    QLabel* noLink() const { return m_noLink; }
    Button* copyUrlButton() const { return m_copyUrl; }
    Button* copyConfigButton() const { return m_copyConfig; }
    QLabel* characterCount() const { return m_count; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildContent();
    void load();
    void refresh();
    void finishLoad();

    CommerceServices m_services;
    ApiService* m_api;
    std::optional<QString> m_subUrl;
    std::optional<QString> m_configText;
    bool m_loading = true;
    std::optional<QString> m_loadError;

    LoadStateView* m_states = nullptr;
    QWidget* m_content = nullptr;
    QWidget* m_linkRow = nullptr;
    SelectableText* m_link = nullptr;
    QLabel* m_linkHint = nullptr;
    QLabel* m_noLink = nullptr;
    Button* m_copyUrl = nullptr;
    Button* m_copyConfig = nullptr;
    CopyFeedback* m_urlFeedback = nullptr;
    CopyFeedback* m_configFeedback = nullptr;
    QLabel* m_count = nullptr;
};

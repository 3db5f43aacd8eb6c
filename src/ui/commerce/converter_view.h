#pragma once

#include "api/records/commerce_records.h"
#include "commerce_services.h"
#include "config_preview_view.h"
#include "ui/common/sheet_frame.h"

#include <QList>
#include <QPointer>

#include <optional>

class ApiService;
class Button;
class QLabel;
class QPlainTextEdit;
class QWidget;

// The converter sheet: a subscription link and a target format go to the service, whose
// configuration text comes back to be previewed or copied whole.
class ConverterView : public FramedSheet {
    Q_OBJECT
public:
    struct Format {
        QString id; // sent to the service
        QString name; // shown as it stands
    };
    static const QList<Format>& formats();

    ConverterView(const CommerceServices& services, QWidget* parent);

    const QString& format() const { return m_format; }
    void setFormat(const QString& id);
    const std::optional<ConvertResponse>& result() const { return m_result; }
    bool isLoading() const { return m_loading; }
    const std::optional<QString>& errorMsg() const { return m_errorMsg; }

    QPlainTextEdit* linkEditor() const { return m_link; }
    QLabel* hint() const { return m_hint; }
    QList<Button*> formatButtons() const { return m_formatButtons; }
    Button* convertButton() const { return m_convert; }
    QLabel* errorLine() const { return m_error; }
    QWidget* resultCard() const { return m_resultCard; }
    QLabel* countLabel() const { return m_count; }
    QLabel* formatLine() const { return m_formatLine; }
    Button* viewButton() const { return m_view; }
    Button* copyButton() const { return m_copy; }
    ConfigPreviewView* preview() const { return m_preview; }

    void convert();

private:
    QWidget* buildInputCard(QWidget* parent);
    QWidget* buildFormatCard(QWidget* parent);
    QWidget* buildResultCard(QWidget* parent);
    void openPreview();
    void refresh();
    void finishConversion();

    CommerceServices m_services;
    ApiService* m_api;
    QString m_format = QStringLiteral("clash");
    std::optional<ConvertResponse> m_result;
    bool m_loading = false;
    std::optional<QString> m_errorMsg;

    QPlainTextEdit* m_link = nullptr;
    QLabel* m_hint = nullptr;
    QList<Button*> m_formatButtons;
    Button* m_convert = nullptr;
    QLabel* m_error = nullptr;
    QWidget* m_resultCard = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_formatLine = nullptr;
    Button* m_view = nullptr;
    Button* m_copy = nullptr;
    QPointer<ConfigPreviewView> m_preview;
};

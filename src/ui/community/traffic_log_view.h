#pragma once

#include "api/records/community_records.h"
#include "loading_sheet.h"

#include <optional>

class ApiService;
class QLabel;

// The traffic log sheet: the total, the highest day and the number of days recorded, a bar chart
// with one bar per day and the list of days, all in the order the service sent them.
class TrafficLogView : public LoadingSheet {
    Q_OBJECT
public:
    struct Services {
        ApiService& api;
    };

    struct Summary {
        double total = 0; // summed in list order
        double maxDay = 0; // 0 for an empty list
        qsizetype days = 0; // entries, not distinct dates
    };
    static Summary summarize(const QList<TrafficLogEntry>& entries);

    TrafficLogView(Services services, QWidget* parent);

    const QList<TrafficLogEntry>& entries() const { return m_entries; }

private:
    void load() override;
    QWidget* loadedPage() override;
    QWidget* buildContent();
    QWidget* summaryRow(const Summary& summary, QWidget* parent);
    QWidget* chartCard(const Summary& summary, QWidget* parent);
    QWidget* listCard(QWidget* parent);

    Services m_services;
    QList<TrafficLogEntry> m_entries;

    QWidget* m_empty;
    QWidget* m_content = nullptr;
};

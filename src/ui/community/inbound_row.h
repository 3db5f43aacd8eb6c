#pragma once

#include "api/records/server_status_records.h"

#include <QWidget>

// One inbound of the proxy server: a green (enabled) or red dot, its name and its protocol in
// capitals; below, its port, its clients, and the bytes downloaded and uploaded.
class InboundRow : public QWidget {
    Q_OBJECT
public:
    explicit InboundRow(const InboundInfo& inbound, QWidget* parent = nullptr);

    // "▼ " followed by the byte count, and "▲ " followed by it.
    static QString downloadText(qint64 bytes);
    static QString uploadText(qint64 bytes);
};

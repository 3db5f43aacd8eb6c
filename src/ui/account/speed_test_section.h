#pragma once

#include "ui/account/settings_form.h"
#include "ui/account/speed_test.h"

#include <optional>

class Button;
class QLabel;
class VpnConnection;

// "测速": the result of the last test (download rate and latency), the start button, which works
// only while connected and no test runs, and the hint to connect first.
class SpeedTestSection : public SettingsForm::Section {
    Q_OBJECT
public:
    SpeedTestSection(VpnConnection& connection, PingService& ping, SpeedTest::Options options,
                     QWidget* parent = nullptr);

    bool isTesting() const { return m_isTesting; }
    const std::optional<SpeedTestResult>& result() const { return m_result; }
    Button* startButton() const { return m_start; }
    QLabel* downloadValue() const { return m_download; }
    QLabel* latencyValue() const { return m_latency; }
    QLabel* emptyText() const { return m_empty; }
    QLabel* connectHint() const { return m_hint; }

    QCoro::Task<> runSpeedTest();

private:
    void refresh();

    VpnConnection& m_connection;
    SpeedTest m_test;
    bool m_isTesting = false;
    std::optional<SpeedTestResult> m_result;
    QWidget* m_progress;
    QWidget* m_resultRows;
    QLabel* m_download;
    QLabel* m_latency;
    QLabel* m_empty;
    Button* m_start;
    QLabel* m_hint;
};

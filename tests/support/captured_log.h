#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the console lines (qInfo, qWarning…) written while it lives.
class CapturedLog {
public:
    CapturedLog()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&CapturedLog::handle);
    }
    ~CapturedLog() { qInstallMessageHandler(m_previous); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    const QStringList& lines() const { return s_lines; }
    bool contains(const QString& line) const { return s_lines.contains(line); }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) { s_lines.append(message); }

    inline static QStringList s_lines;
    QtMessageHandler m_previous;
};

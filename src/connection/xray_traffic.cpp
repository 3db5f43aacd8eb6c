#include "xray_manager.h"

#include "platform/utf8_text.h"

#include <QMutexLocker>

#include <charconv>
#include <cmath>

namespace {

// nettop's per-process logging mode for the two byte columns of one process.
ProcessRequest monitorRequest(qint64 pid)
{
    return {QStringLiteral("/usr/sbin/nettop"),
            {QStringLiteral("-P"), QStringLiteral("-l"), QStringLiteral("1000000"), QStringLiteral("-J"),
             QStringLiteral("bytes_in,bytes_out"), QStringLiteral("-p"), QString::number(pid)}};
}

std::optional<double> decimalNumber(QStringView text)
{
    if (text.startsWith(u'+'))
        text = text.mid(1);
    if (text.isEmpty() || text.size() > 64)
        return std::nullopt;
    char ascii[64];
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0x7f)
            return std::nullopt;
        ascii[i] = char(text[i].unicode());
    }
    double number = 0;
    const auto [end, error] = std::from_chars(ascii, ascii + text.size(), number);
    if (error != std::errc() || end != ascii + text.size())
        return std::nullopt;
    return number;
}

} // namespace

XrayManager::Traffic XrayManager::lastTraffic() const
{
    QMutexLocker locker(&m_trafficLock);
    return {m_lastDown, m_lastUp};
}

qint64 XrayManager::byteValue(QStringView value, QStringView unit)
{
    const auto number = decimalNumber(value);
    if (!number)
        return -1;
    double multiplier = 1;
    const auto lowered = unit.toString().toLower();
    if (lowered.contains(u'k'))
        multiplier = 1024.0;
    else if (lowered.contains(u'm'))
        multiplier = 1048576.0;
    else if (lowered.contains(u'g'))
        multiplier = 1073741824.0;
    else if (lowered.contains(u't'))
        multiplier = 1099511627776.0;
    const double bytes = std::trunc(*number * multiplier);
    // Not a number, infinite, or beyond a signed 64-bit count: not a usable figure.
    if (!std::isfinite(bytes) || bytes >= 9223372036854775808.0 || bytes < -9223372036854775808.0)
        return -1;
    return qint64(bytes);
}

void XrayManager::parseTraffic(QStringView text)
{
    for (const auto line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const auto pieces = line.split(u' ', Qt::SkipEmptyParts);
        if (pieces.size() < 5)
            continue;
        const auto received = byteValue(pieces[1], pieces[2]);
        const auto sent = byteValue(pieces[3], pieces[4]);
        if (received < 0 || sent < 0)
            continue;
        // Running totals: they replace the previous figures.
        QMutexLocker locker(&m_trafficLock);
        m_lastDown = received;
        m_lastUp = sent;
    }
}

void XrayManager::startTrafficMonitor()
{
    if (!m_process)
        return;
    auto monitor = ChildHandle(m_launcher.create(monitorRequest(m_process->processId())).release());
    connect(monitor.get(), &ChildProcess::standardOutputRead, this, &XrayManager::readMonitorOutput);
    connect(monitor.get(), &ChildProcess::finished, this, [this] { readMonitorOutput("\n"); });
    // A monitor that cannot start leaves the counters where they are.
    if (!monitor->start())
        return;
    m_monitorPending.clear();
    m_nettopProcess = std::move(monitor);
}

void XrayManager::dropTrafficMonitor()
{
    // Whatever it still prints belongs to a run that is over.
    if (m_nettopProcess)
        m_nettopProcess->disconnect(this);
    endChild(m_nettopProcess, std::chrono::milliseconds(500));
    m_monitorPending.clear();
}

void XrayManager::readMonitorOutput(const QByteArray& chunk)
{
    // Whole lines only, so that a line split between two reads is not taken for two.
    m_monitorPending += chunk;
    const auto end = m_monitorPending.lastIndexOf('\n');
    if (end < 0)
        return;
    const auto lines = decodeUtf8(m_monitorPending.left(end + 1));
    m_monitorPending.remove(0, end + 1);
    if (lines)
        parseTraffic(*lines);
}

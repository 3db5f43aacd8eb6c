#include "vpn_manager.h"

#include "background_task.h"
#include "platform/process_runner.h"
#include "platform/utf8_text.h"

#include <QCoroFuture>
#include <QPointer>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kNetworksetup = QStringLiteral("/usr/sbin/networksetup");
const QString kSudo = QStringLiteral("/usr/bin/sudo");
const QString kLocalHost = QStringLiteral("127.0.0.1");
const QStringList kPreferredServices{QStringLiteral("Wi-Fi"), QStringLiteral("Ethernet"),
    QStringLiteral("USB 10/100/1000 LAN"), QStringLiteral("Thunderbolt Ethernet")};

ProcessRequest privilegedNetworksetup(const QStringList& arguments, std::chrono::milliseconds limit)
{
    return {kSudo, QStringList{QStringLiteral("-n"), kNetworksetup} + arguments, {}, {}, limit};
}

QString outputText(const ProcessResult& result)
{
    return decodeUtf8(result.output).value_or(QString());
}

// The names listed by "-listallnetworkservices", without its header line.
QStringList listedServices(const QString& listing)
{
    QStringList services;
    for (const auto& line : listing.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        auto name = line;
        while (!name.isEmpty() && (name.front() == u' ' || name.front() == u'\t'))
            name.remove(0, 1);
        while (!name.isEmpty() && (name.back() == u' ' || name.back() == u'\t'))
            name.chop(1);
        if (name.isEmpty() || name.startsWith(QLatin1String("An asterisk")) || name.contains(QLatin1String("networkservices")))
            continue;
        services.append(name);
    }
    return services;
}

} // namespace

std::optional<QString> VpnManager::detectActiveNetworkService()
{
    if (m_activeNetworkService)
        return m_activeNetworkService;
    const auto result = m_processes.run({kNetworksetup, {QStringLiteral("-listallnetworkservices")}});
    if (!result.started)
        return std::nullopt;
    const auto services = listedServices(outputText(result));
    // The preference order decides. The listed name is what the commands need: a second Wi-Fi
    // service is called "Wi-Fi 2", and "Wi-Fi" would name no service at all.
    for (const auto& preferred : kPreferredServices) {
        auto match = std::find(services.cbegin(), services.cend(), preferred);
        if (match == services.cend())
            match = std::find_if(services.cbegin(), services.cend(), [&](const QString& s) { return s.startsWith(preferred); });
        if (match != services.cend())
            return m_activeNetworkService = *match;
    }
    if (services.isEmpty())
        return std::nullopt;
    return m_activeNetworkService = services.first();
}

std::optional<ProcessRequest> VpnManager::proxySwitchOffRequest(const std::optional<QString>& service) const
{
    if (!service)
        return std::nullopt;
    return privilegedNetworksetup({QStringLiteral("-setsocksfirewallproxystate"), *service, QStringLiteral("off")},
        m_timings.privilegedCommandLimit);
}

bool VpnManager::runNetworksetupSudo(const QStringList& arguments)
{
    return m_processes.run(privilegedNetworksetup(arguments, m_timings.privilegedCommandLimit)).succeeded();
}

QCoro::Task<bool> VpnManager::runNetworksetupSudoAsync(QStringList arguments)
{
    auto* processes = &m_processes;
    const auto request = privilegedNetworksetup(arguments, std::chrono::milliseconds(-1));
    auto result = runInBackground([processes, request] { return processes->run(request).succeeded(); });
    co_return co_await result;
}

void VpnManager::setSystemProxy(bool enabled)
{
    const auto service = detectActiveNetworkService();
    if (!service) {
        addLog(ConnectionLogEntry::LogType::error, QStringLiteral("无法检测网络接口"));
        return;
    }
    const QStringList setProxy{QStringLiteral("-setsocksfirewallproxy"), *service, kLocalHost, QString::number(proxyPort)};
    const QStringList switchProxy{QStringLiteral("-setsocksfirewallproxystate"), *service,
        enabled ? QStringLiteral("on") : QStringLiteral("off")};
    const auto succeeded = [&] {
        setSystemProxyEnabled(enabled);
        addLog(ConnectionLogEntry::LogType::info,
            enabled ? QStringLiteral("系统代理已设置 (SOCKS5 127.0.0.1:%1)").arg(proxyPort) : QStringLiteral("系统代理已关闭"));
    };
    if (runNetworksetupSudo(enabled ? setProxy : switchProxy)) {
        succeeded();
        return;
    }
    bool secondAttempt = false;
    if (enabled) {
        const bool set = runNetworksetupSudo(setProxy);
        const bool on = runNetworksetupSudo(switchProxy);
        secondAttempt = set && on;
    } else {
        secondAttempt = runNetworksetupSudo(switchProxy);
    }
    if (secondAttempt) {
        succeeded();
        startSudoKeepalive();
        return;
    }
    addLog(ConnectionLogEntry::LogType::error,
        (enabled ? QStringLiteral("设置") : QStringLiteral("关闭")) + QStringLiteral("系统代理失败: 未配置 networksetup 免密权限"));
}

QCoro::Task<bool> VpnManager::pointSystemProxiesAtCore(QString service, quint64 generation)
{
    QPointer<VpnManager> self(this);
    const QList<QStringList> commands{
        {QStringLiteral("-setwebproxy"), service, kLocalHost, QString::number(httpPort)},
        {QStringLiteral("-setsecurewebproxy"), service, kLocalHost, QString::number(httpPort)},
        {QStringLiteral("-setsocksfirewallproxy"), service, kLocalHost, QString::number(proxyPort)},
        {QStringLiteral("-setwebproxystate"), service, QStringLiteral("on")},
        {QStringLiteral("-setsecurewebproxystate"), service, QStringLiteral("on")},
        {QStringLiteral("-setsocksfirewallproxystate"), service, QStringLiteral("on")},
    };
    m_systemProxyTouched = true;
    bool allOn = true;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const QStringList command = commands[i];
        const bool succeeded = co_await runNetworksetupSudoAsync(command);
        if (!self)
            co_return false;
        if (overtaken(generation)) {
            // A disconnect switched the proxies off while this command ran, which may have
            // switched one on again afterwards. Off they go, unless a newer connect is under way:
            // then it succeeds and sets them itself, or fails and switches them off.
            if (m_state == ConnectionState::disconnected)
                switchSystemProxiesOff(service);
            else
                m_systemProxyTouched = true;
            co_return false;
        }
        if (i >= 3)
            allOn = allOn && succeeded;
    }
    if (allOn)
        setSystemProxyEnabled(true);
    co_return true;
}

bool VpnManager::switchSystemProxiesOff(const QString& service)
{
    bool last = false;
    for (const auto& command : {QStringLiteral("-setwebproxystate"), QStringLiteral("-setsecurewebproxystate"),
             QStringLiteral("-setsocksfirewallproxystate")})
        last = runNetworksetupSudo({command, service, QStringLiteral("off")});
    return last;
}

void VpnManager::forceClearSystemProxy(const QString& service)
{
    switchSystemProxiesOff(service);
    QTimer::singleShot(m_timings.proxyClearedDelay, this, [this] { setSystemProxyEnabled(false); });
}

bool VpnManager::checkProxyState(const QString& service, int port)
{
    const auto result = m_processes.run({kNetworksetup, {QStringLiteral("-getsocksfirewallproxy"), service}});
    if (!result.started)
        return false;
    // Whole lines: "Port: 10800" is not port 1080.
    const auto lines = outputText(result).split(QLatin1Char('\n'));
    const auto hasLine = [&](const QString& wanted) {
        return std::any_of(lines.cbegin(), lines.cend(), [&](const QString& line) { return line.trimmed() == wanted; });
    };
    return hasLine(QStringLiteral("Enabled: Yes")) && hasLine(QStringLiteral("Port: ") + QString::number(port));
}

void VpnManager::startSudoKeepalive()
{
    if (m_sudoKeepaliveTimer)
        return;
    m_sudoKeepaliveTimer = std::make_unique<QTimer>();
    m_sudoKeepaliveTimer->setInterval(m_timings.sudoKeepaliveInterval);
    connect(m_sudoKeepaliveTimer.get(), &QTimer::timeout, this, &VpnManager::refreshSudoCredential);
    m_sudoKeepaliveTimer->start();
    refreshSudoCredential();
}

void VpnManager::refreshSudoCredential()
{
    m_processes.run({kSudo, {QStringLiteral("-n"), QStringLiteral("-v")}});
}

#include "xray_manager.h"

#include "api/domain_pool.h"
#include "platform/own_processes.h"
#include "platform/paths.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/utf8_text.h"
#include "tcp_probe.h"
#include "xray_error.h"

#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

const QString kConfigFileName = QStringLiteral("config.json");
const QStringList kGeodataFiles{QStringLiteral("geoip.dat"), QStringLiteral("geosite.dat")};

// The configuration holds the node's credentials: a directory only the user can enter, a file
// only the user can read, replaced in one step.
void makePrivateDirectory(const QString& path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void writePrivateFile(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write(content) == content.size() && file.commit();
    if (!written)
        throw XrayError(XrayError::configNotWritten, file.errorString());
}

// The core writes a line for every connection it carries; of a long run only the latest part of
// each stream is kept for the relay, cut at a line start so that the text stays whole.
constexpr qsizetype kRelayedOutputLimit = 1024 * 1024;

void keepLatest(QByteArray& kept, const QByteArray& chunk)
{
    kept += chunk;
    if (kept.size() <= kRelayedOutputLimit)
        return;
    const auto lineStart = kept.indexOf('\n', kept.size() - kRelayedOutputLimit);
    kept.remove(0, lineStart < 0 ? kept.size() - kRelayedOutputLimit : lineStart + 1);
}

// The last line the core wrote, to say why it ended.
QString lastLine(const QByteArray& output)
{
    const auto text = decodeUtf8(output).value_or(QString());
    const auto lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

} // namespace

XrayManager::Options XrayManager::Options::standard()
{
    Options options;
    options.resourcesDir = Paths::resourcesDir();
    options.configDir = Paths::privateRuntimeDir() + QStringLiteral("/velmorand-xray");
    options.secondFallbackHost = QUrl(DomainPool::defaults().value(2)).host();
    return options;
}

XrayManager::XrayManager(SettingsStore& settings, ChildProcessLauncher& launcher, Options options, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_launcher(launcher)
    , m_options(std::move(options))
    , m_mode(settings.stringOr(SettingsKeys::mihomoMode, QStringLiteral("rule")))
{
}

XrayManager::~XrayManager() { stop(); }

std::optional<qint64> XrayManager::processId() const
{
    if (!m_process)
        return std::nullopt;
    return m_process->processId();
}

std::optional<QString> XrayManager::xrayBinaryPath() const
{
    const QStringList candidates{m_options.resourcesDir + QStringLiteral("/xray"),
                                 QDir::currentPath() + QStringLiteral("/Velmorand/Resources/xray")};
    for (const auto& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return std::nullopt;
}

void XrayManager::copyGeoIfNeeded(const QString& directory) const
{
    for (const auto& name : kGeodataFiles) {
        const QString target = directory + QLatin1Char('/') + name;
        // A copy already there stays, even when the resources hold another one.
        if (QFileInfo::exists(target))
            continue;
        const QString source = m_options.resourcesDir + QLatin1Char('/') + name;
        if (QFileInfo::exists(source))
            QFile::copy(source, target);
    }
}

QString XrayManager::configPath() const { return m_options.configDir + QLatin1Char('/') + kConfigFileName; }

void XrayManager::removeConfig() const { QFile::remove(configPath()); }

void XrayManager::removeLeftoverConfig() const
{
    const QFileInfo left(configPath());
    if (left.isFile() && !left.isSymLink() && left.ownerId() == ::getuid())
        removeConfig();
}

QCoro::Task<> XrayManager::start(Node node, std::optional<QString> sni)
{
    if (m_isRunning || m_starting)
        co_return;
    // What a core that ended by itself left behind (its monitor above all) goes first.
    dropTrafficMonitor();
    endChild(m_process, m_options.stopGrace);

    const auto binary = xrayBinaryPath();
    if (!binary)
        throw XrayError(XrayError::executableMissing, QStringLiteral("未找到 xray 内核 (请重新安装 Velmorand)"));
    const auto directory = m_options.configDir;
    // A core of ours that an earlier run left behind holds our ports: it is ended here, while a
    // program of anyone else's on them stays and is reported below.
    for (const auto pid : OwnProcesses::running(*binary, configPath()))
        OwnProcesses::end(pid, m_options.stopGrace);
    makePrivateDirectory(directory);
    writePrivateFile(configPath(), buildConfig(node, sni).toUtf8());
    m_currentNode = node;
    m_currentSNI = sni;
    copyGeoIfNeeded(directory);

    const auto generation = ++m_generation;
    m_starting = true;
    QPointer<XrayManager> self(this);
    const auto overtaken = [&] { return !self || m_generation != generation; };
    const auto fail = [&](XrayError::Code code, const QString& description) {
        if (!overtaken()) {
            m_starting = false;
            removeConfig();
        }
        return XrayError(code, description);
    };

    // Another program on our ports would take part of the traffic or make the core fail.
    for (const auto port : m_options.listenPorts) {
        const bool taken = co_await TcpProbe::loopbackAccepts(port);
        if (overtaken())
            throw fail(XrayError::stoppedWhileStarting, QStringLiteral("xray 内核启动被中止"));
        if (taken)
            throw fail(XrayError::portBusy, QStringLiteral("端口 %1 已被其他程序占用").arg(port));
    }

    auto output = std::make_shared<CoreOutput>();
    auto core = launchCore(*binary, directory, output, generation);
    if (!core->start())
        throw fail(XrayError::launchFailed, core->errorString());
    m_process = std::move(core);
    co_await waitUntilListening(m_process.get(), output, generation);
    m_starting = false;
    setRunning(true);
    startTrafficMonitor();
}

XrayManager::ChildHandle XrayManager::launchCore(const QString& binary, const QString& directory,
                                                 const std::shared_ptr<CoreOutput>& output, quint64 generation)
{
    ProcessRequest request{binary,
                           {QStringLiteral("run"), QStringLiteral("-c"), configPath()},
                           directory,
                           {{QStringLiteral("XRAY_LOCATION_ASSET"), directory}}};
    auto core = ChildHandle(m_launcher.create(request).release());
    connect(core.get(), &ChildProcess::standardOutputRead, this,
            [output](const QByteArray& chunk) { keepLatest(output->standardOutput, chunk); });
    connect(core.get(), &ChildProcess::standardErrorRead, this,
            [output](const QByteArray& chunk) { keepLatest(output->standardError, chunk); });
    connect(core.get(), &ChildProcess::finished, this, [this, output, generation] {
        // Each stream's whole output, once it has ended.
        for (const auto& stream : {output->standardOutput, output->standardError}) {
            const auto text = decodeUtf8(stream);
            if (text && !text->isEmpty())
                QTimer::singleShot(0, this, [this, message = *text] { emit kernelLog(message); });
        }
        // Only the end of the current core ends the run; an earlier core's end changes nothing.
        if (generation == m_generation) {
            removeConfig();
            setRunning(false);
        }
    });
    return core;
}

QCoro::Task<> XrayManager::waitUntilListening(ChildProcess* core, std::shared_ptr<CoreOutput> output,
                                              quint64 generation)
{
    QPointer<XrayManager> self(this);
    QPointer<ChildProcess> watched(core);
    const auto overtaken = [&] { return !self || !watched || m_generation != generation; };
    const auto deadline = std::chrono::steady_clock::now() + m_options.readyTimeout;
    for (;;) {
        if (overtaken())
            throw XrayError(XrayError::stoppedWhileStarting, QStringLiteral("xray 内核启动被中止"));
        if (!core->isRunning()) {
            const auto why = lastLine(output->standardOutput + output->standardError);
            m_starting = false;
            m_process.reset();
            removeConfig();
            throw XrayError(XrayError::exitedAtStart,
                            why.isEmpty() ? QStringLiteral("xray 内核启动后立即退出")
                                          : QStringLiteral("xray 内核启动后立即退出: ") + why);
        }
        bool listening = true;
        for (const auto port : m_options.listenPorts) {
            listening = co_await TcpProbe::loopbackAccepts(port);
            if (!listening || overtaken())
                break;
        }
        if (overtaken())
            continue;
        if (listening && core->isRunning())
            co_return;
        if (std::chrono::steady_clock::now() >= deadline) {
            stop();
            throw XrayError(
                XrayError::notListening,
                QStringLiteral("xray 内核未在 %1 秒内开始监听").arg(double(m_options.readyTimeout.count()) / 1000.0));
        }
        co_await QCoro::sleepFor(m_options.readyPollInterval);
    }
}

void XrayManager::endChild(ChildHandle& child, std::chrono::milliseconds grace)
{
    if (!child)
        return;
    if (child->isRunning()) {
        child->terminate();
        if (!child->waitForFinished(grace)) {
            child->terminate();
            if (child->isRunning()) {
                child->kill();
                child->waitForFinished(std::chrono::seconds(5));
            }
        }
    }
    child.reset();
}

void XrayManager::stop()
{
    ++m_generation;
    m_starting = false;
    dropTrafficMonitor();
    {
        QMutexLocker locker(&m_trafficLock);
        m_lastDown = 0;
        m_lastUp = 0;
    }
    removeConfig();
    if (!m_process)
        return;
    endChild(m_process, m_options.stopGrace);
    setRunning(false);
    m_currentNode.reset();
    m_currentSNI.reset();
}

QCoro::Task<> XrayManager::setMode(QString requested)
{
    const auto mode = requested == QLatin1String("global") ? requested : QStringLiteral("rule");
    if (mode == m_mode)
        co_return;
    setModeValue(mode);
    if (!m_isRunning || !m_currentNode || !m_currentSNI)
        co_return;
    const auto node = *m_currentNode;
    const auto sni = m_currentSNI;
    stop();
    try {
        co_await start(node, sni);
    } catch (const XrayError&) {
        // The state machine is not told; its health check finds the core stopped.
    }
}

void XrayManager::setRunning(bool running)
{
    if (m_isRunning == running)
        return;
    m_isRunning = running;
    emit runningChanged();
}

void XrayManager::setModeValue(const QString& mode)
{
    m_mode = mode;
    m_settings.setValue(SettingsKeys::mihomoMode, mode);
    emit modeChanged();
}

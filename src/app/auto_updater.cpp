#include "auto_updater.h"

#include "api/api_service.h"
#include "api/domain_pool.h"
#include "app/app_events.h"
#include "app/update_download.h"
#include "app/update_installer.h"
#include "app/update_prompts.h"
#include "app/url_opener.h"
#include "app/version_compare.h"
#include "platform/admin_script_runner.h"
#include "platform/connection_cache.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

#include <cstdlib>

namespace {

// The updater's texts.
const QString kOk = QStringLiteral("确定");
const QString kDownload = QStringLiteral("下载更新");
const QString kQuit = QStringLiteral("退出");
const QString kLater = QStringLiteral("稍后");

QString upToDateText(const QString& current) { return QStringLiteral("已是最新版本 (") + current + QLatin1Char(')'); }

QString newVersionText(const QString& version) { return QStringLiteral("发现新版本 v") + version; }

QString newVersionDetails(const QString& current)
{
    return QStringLiteral("当前版本: v") + current + QStringLiteral("\n\n新增功能与优化，是否立即下载？");
}

} // namespace

AutoUpdater::AutoUpdater(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators))
{
    closeConnectionsOnQuit(m_network);
}

AutoUpdater::InstallMode AutoUpdater::nativeInstallMode()
{
#ifdef Q_OS_MACOS
    return InstallMode::submitInstallerScript;
#else
    return InstallMode::openDownloadOnly;
#endif
}

QString AutoUpdater::currentVersion() const
{
    const auto version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("1.0.0") : version;
}

void AutoUpdater::log(const QString& line) { qInfo().noquote() << QStringLiteral("[AutoUpdater] ") + line; }

QCoro::Task<int> AutoUpdater::alert(QString message, QString informativeText, QStringList buttons)
{
    if (!m_collaborators.prompts) {
        log(message + QLatin1Char(' ') + informativeText);
        co_return -1;
    }
    co_return co_await m_collaborators.prompts->alert(std::move(message), std::move(informativeText),
                                                      std::move(buttons));
}

void AutoUpdater::openMainWebAddress() { m_collaborators.urlOpener.open(QUrl(m_collaborators.mainWebAddress)); }

QCoro::Task<> AutoUpdater::check(bool forceNotify)
{
    QPointer<AutoUpdater> self(this);
    std::optional<AppVersionResponse> answer;
    try {
        answer = co_await m_collaborators.api.checkVersion(QStringLiteral("macos"));
    } catch (const std::exception& error) {
        log(QStringLiteral("Update check failed: ") + QString::fromUtf8(error.what()));
        co_return;
    }
    if (!self)
        co_return;
    if (answer && answer->ok && answer->version) {
        const auto remote = *answer->version;
        // The version goes into file names and the installer script: plain dotted numbers only.
        if (!Versions::isStrictDotted(remote)) {
            log(QStringLiteral("Ignoring a version that is not dotted numbers: ") + remote);
        } else if (Versions::compare(remote, currentVersion()) > 0) {
            co_await showUpdateDialog(remote, answer->downloadUrl, answer->force.value_or(false));
            co_return;
        }
    }
    if (forceNotify) {
        // Built before the co_await: GCC 12 cannot keep a braced list alive across one.
        const QStringList buttons{kOk};
        co_await alert(upToDateText(currentVersion()), QString(), buttons);
    }
}

QCoro::Task<> AutoUpdater::showUpdateDialog(QString version, std::optional<QString> downloadURL, bool force)
{
    QPointer<AutoUpdater> self(this);
    const QStringList buttons{kDownload, force ? kQuit : kLater};
    const int choice = co_await alert(newVersionText(version), newVersionDetails(currentVersion()), buttons);
    if (!self)
        co_return;
    if (choice == 0) {
        if (downloadURL)
            downloadWithProgress(*downloadURL, version);
        else
            openMainWebAddress();
    } else if (choice == 1 && force) {
        m_collaborators.quit();
    }
}

QString AutoUpdater::makePrivateWorkDir() const
{
    auto pattern = QFile::encodeName(m_collaborators.workDirParent + QStringLiteral("/velmorand-update-XXXXXX"));
    // mkdtemp makes the directory 0700 under a name nobody could have prepared.
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

void AutoUpdater::downloadWithProgress(const QString& urlString, const QString& version)
{
    const QUrl url(urlString, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        openMainWebAddress();
        return;
    }
    // A disk image that ends up installed as root is fetched over an authenticated channel only.
    if (url.scheme() != QLatin1String("https")) {
        log(QStringLiteral("Refusing a download address that is not https: ") + url.toDisplayString());
        openMainWebAddress();
        return;
    }
    if (!Versions::isStrictDotted(version)) {
        log(QStringLiteral("Refusing to download a version that is not dotted numbers: ") + version);
        openMainWebAddress();
        return;
    }
    const auto workDir = makePrivateWorkDir();
    if (workDir.isEmpty()) {
        log(QStringLiteral("No private directory for the download; opening it in the browser"));
        m_collaborators.urlOpener.open(url);
        return;
    }

    auto closeWindow = std::make_shared<std::function<void()>>([] {});
    if (m_collaborators.prompts) {
        QPointer<AutoUpdater> self(this);
        *closeWindow = m_collaborators.prompts->openDownloadWindow(
            version, [closeWindow] { (*closeWindow)(); },
            [self, closeWindow, version, workDir] {
                (*closeWindow)();
                if (self)
                    self->installDownloadedUpdate(version, workDir);
            });
    }

    QNetworkRequest request(url);
    request.setSslConfiguration(m_collaborators.sslConfiguration);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    auto* download = new UpdateDownload(m_network.get(request), UpdateInstaller::diskImagePath(workDir, version), this);
    connect(download, &UpdateDownload::progress, &m_collaborators.notifier, &AppEvents::downloadProgress);
    connect(download, &UpdateDownload::stored, this,
            [this](const QString& path) { emit m_collaborators.notifier.downloadComplete(path); });
    connect(download, &UpdateDownload::transferFailed, this, [this, closeWindow, url, workDir](const QString& reason) {
        log(QStringLiteral("Download failed: ") + reason);
        QDir(workDir).removeRecursively();
        (*closeWindow)();
        m_collaborators.urlOpener.open(url);
    });
    connect(download, &UpdateDownload::storingFailed, this, [this, workDir](const QString& reason) {
        log(QStringLiteral("Could not store the download: ") + reason);
        m_collaborators.urlOpener.open(QUrl::fromLocalFile(workDir));
    });
    emit m_collaborators.notifier.downloadStarted();
}

void AutoUpdater::installDownloadedUpdate(const QString& version, const QString& workDir)
{
    const auto diskImage = UpdateInstaller::diskImagePath(workDir, version);
    if (m_collaborators.installMode == InstallMode::openDownloadOnly) {
        log(QStringLiteral("This system has no installer for the disk image; opening the download"));
        m_collaborators.urlOpener.open(QUrl::fromLocalFile(workDir));
        alert(QStringLiteral("无法自动安装"),
              QStringLiteral("此系统不支持自动覆盖安装，已打开下载的文件所在位置: ") + diskImage, QStringList{kOk});
        return;
    }
    if (!Versions::isStrictDotted(version) || !UpdateInstaller::isSafeWorkDir(workDir)) {
        log(QStringLiteral("Refusing to write an installer for ") + diskImage);
        m_collaborators.urlOpener.open(QUrl::fromLocalFile(diskImage));
        return;
    }
    const auto label = UpdateInstaller::newJobLabel();
    const auto result = m_collaborators.adminScripts.run(UpdateInstaller::submissionScript(label, workDir, version));
    if (!result.succeeded) {
        // The old application stays: quitting now would leave the user with no install at all.
        log(QStringLiteral("自动安装提权失败: ") + result.error);
        m_collaborators.urlOpener.open(QUrl::fromLocalFile(diskImage));
        return;
    }
    // The job has its own copy of the disk image.
    QDir(workDir).removeRecursively();
    m_collaborators.quit();
}

#include "desktop_user_notifier.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QProcess>
#include <QStandardPaths>

namespace {

// `text` for a body that is read as markup: the three characters that markup gives a meaning.
QString markupEscaped(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
}

// The first line of another program's error output, as plain text of bounded length.
QString firstLine(const QByteArray& output)
{
    constexpr qsizetype maxLength = 200;
    const auto line = QString::fromUtf8(output.left(4 * maxLength)).section(QLatin1Char('\n'), 0, 0).trimmed();
    return line.left(maxLength);
}

} // namespace

DesktopUserNotifier::~DesktopUserNotifier()
{
    const QDeadlineTimer deadline(1000);
    for (auto* process : m_processes.findChildren<QProcess*>()) {
        process->disconnect();
        process->waitForFinished(int(deadline.remainingTime()));
    }
}

void DesktopUserNotifier::post(const QString& title, const QString& body)
{
    const auto tool = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
    if (tool.isEmpty())
        return;
    // Not detached: its error output comes here instead of the terminal.
    auto* process = new QProcess(&m_processes);
    QObject::connect(process, &QProcess::finished, process, [this, process](int exitCode, QProcess::ExitStatus status) {
        const bool failed = exitCode != 0 || status != QProcess::NormalExit;
        finished(failed, failed ? firstLine(process->readAllStandardError()) : QString());
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        finished(true, process->errorString());
        process->deleteLater();
    });
    ++m_underWay;
    process->start(tool, {QStringLiteral("--app-name=Velmorand"), title, markupEscaped(body)});
}

void DesktopUserNotifier::finished(bool failed, const QString& reason)
{
    --m_underWay;
    if (!failed || m_failureLogged)
        return;
    m_failureLogged = true;
    qWarning().noquote() << QStringLiteral(
        "[Notices] A desktop notice could not be shown (later failures are not logged):")
                         << reason;
}

std::unique_ptr<UserNotifier> UserNotifier::makeNative() { return std::make_unique<DesktopUserNotifier>(); }
